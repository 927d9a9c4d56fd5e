#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/edit_field.h"
#include "settings/settings_host.h"

namespace quelmar {

// The section of Quelmar.ini that holds every setting.
inline constexpr std::string_view kSettingsSection = "Setup";

// How a setting is read from the settings file and checked.
enum class SettingKind {
  kText,        // a text, taken as it is
  kFilePath,    // a path, emptied when it names no existing file
  kFolderPath,  // a path, emptied when its text without its last character names no folder
  kNumber,      // a 32-bit integer, clamped to minimum..maximum when read
  kByte,        // an unsigned byte: a number of 0..255 held in one byte
  kSwitch,      // a number that is 0 (off) or 1 (on); the converter's option takes no value
  kDistance,    // a number of pixels (minimum..maximum), or with a "%" suffix a percentage
                // (0..100) of the photograph's shorter side; the file and the option hold the
                // text ("40", "5%"), the window a number and whether it is a percentage
};

// One setting: its key in [Setup], how it is read, where the window holds it, and the
// converter's option for it. A new setting is one row of the table plus its control.
struct SettingSpec {
  std::string_view key;
  SettingKind kind = SettingKind::kNumber;

  // Where the value lives: an edit field, or one of the window's fields (exactly one of the
  // three accessors, by kind).
  std::optional<EditField> edit{};
  std::string& (*text)(SettingsFields&) = nullptr;
  std::int32_t& (*number)(SettingsFields&) = nullptr;
  std::uint8_t& (*byte)(SettingsFields&) = nullptr;
  // A distance's unit, beside its number: true for a percentage.
  bool& (*percent)(SettingsFields&) = nullptr;

  // Numbers: the value when the key is missing or holds no number, and the range a stored
  // value is clamped into.
  std::int32_t fallback = 0;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  // The lowest value the window's control and the converter's option offer, when it lies
  // above the stored minimum.
  std::optional<std::int32_t> lowest_offered{};

  // Paths: a load empties a stale one, unless the check is left to the next save.
  bool checked_on_load = true;
  // Set once more at the end of a load, without the check: the logo field keeps showing a
  // stale path, while the logo was loaded (by the field's change) only from an existing file.
  bool shown_again = false;
  // The ten keys of the first save are always written. A later option is written once it
  // differs from its fallback or the file already holds it, so that a first save stays the
  // twelve lines it always was.
  bool always_saved = false;
  // True for a setting that never changes an output's bytes (where the files are, how many are
  // worked on at once, which are skipped). Every other setting is part of the record of what an
  // output was made from, so that outputs made with another value of it are made again.
  bool leaves_output_alone = false;

  // The converter's option ("--position", or "-j,--jobs" with a short name) and its help
  // text; none for a setting only the window has.
  std::string_view option{};
  std::string_view help{};
  // The caption of the setting's control in the window's 詳細設定 dialog; none for a setting
  // that has its own control in the main window or none at all.
  std::string_view caption{};

  // True for the kinds held as text (plain text and paths).
  bool is_text() const {
    return kind != SettingKind::kNumber && kind != SettingKind::kByte &&
           kind != SettingKind::kSwitch && kind != SettingKind::kDistance;
  }
  // The lowest value the controls and the option offer: lowest_offered, else minimum.
  std::int32_t offered_minimum() const { return lowest_offered.value_or(minimum); }
};

// Every setting, in the order of the settings file's keys.
std::span<const SettingSpec> SettingsTable();

// The row of key (compared exactly); std::logic_error for a key the table does not hold.
const SettingSpec& SettingOf(std::string_view key);

// The row of the setting an edit field shows.
const SettingSpec& SettingOf(EditField field);

// A number setting's value in fields, widened to 32 bits for a byte; 0 for a text.
std::int32_t NumberOf(const SettingSpec& setting_row, SettingsFields& fields);

// Sets a number setting in fields; a byte takes the low 8 bits. Texts are left alone.
void SetNumber(const SettingSpec& setting_row, SettingsFields& fields, std::int32_t value);

// A distance setting's value as the file and the option write it: "40" or "5%".
std::string DistanceText(const SettingSpec& setting_row, SettingsFields& fields);

// Sets a distance setting from text: a whole decimal number of the row's minimum..maximum
// pixels, or of 0..100 followed by "%", nothing else (no blanks, no sign). Returns false and
// leaves fields alone for any other text.
bool SetDistance(const SettingSpec& setting_row, SettingsFields& fields, std::string_view text);

// Every setting that can change an output's bytes (those that do not leave it alone), in the
// table's order, as (key, value) pairs with each value as the settings file writes it: what the
// record of an output holds besides the logo's pixels. std::logic_error for an edit field's
// setting not marked as leaving output alone, whose value fields does not hold.
std::vector<std::pair<std::string, std::string>> OutputSettingsOf(SettingsFields fields);

// True when a path setting's value no longer names what it should (see SettingKind); an empty
// value and a text are never stale.
bool IsStale(const SettingSpec& setting_row, const std::string& value);

}  // namespace quelmar
