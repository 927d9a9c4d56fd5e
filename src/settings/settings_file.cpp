#include "settings/settings_file.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/paths.h"
#include "settings/ini_file.h"
#include "settings/settings_location.h"
#include "settings/settings_table.h"

namespace quelmar {

namespace {

// Reads one setting into the window: a text into its edit field or field, emptied when stale
// (unless its check waits for the save); a number clamped into its range; a distance as its
// text says, or the fallback for a text that is none.
void LoadSetting(const SettingSpec& row, const TMemIniFile& ini, SettingsHost& host) {
  if (row.kind == SettingKind::kDistance) {
    // A distance the file does not hold in a form of its own is the fallback, in pixels.
    if (!SetDistance(row, host.Fields(), ini.ReadText(kSettingsSection, row.key, ""))) {
      SetDistance(row, host.Fields(), std::to_string(row.fallback));
    }
    return;
  }
  if (!row.is_text()) {
    const std::int32_t stored = ini.ReadNumber(kSettingsSection, row.key, row.fallback);
    SetNumber(row, host.Fields(), std::clamp(stored, row.minimum, row.maximum));
    return;
  }
  const std::string text = ini.ReadText(kSettingsSection, row.key, "");
  if (row.edit) {
    host.SetEditText(*row.edit, text);
    if (row.checked_on_load && IsStale(row, host.EditText(*row.edit))) {
      host.SetEditText(*row.edit, "");
    }
    return;
  }
  std::string& field = row.text(host.Fields());
  field = text;
  if (row.checked_on_load && IsStale(row, field)) field.clear();
}

// Writes one setting as the window holds it: a stale path is emptied in the window first;
// numbers go out unclamped. A later option at its fallback is written only over a value the
// file already holds.
void SaveSetting(const SettingSpec& row, TMemIniFile& ini, SettingsHost& host) {
  std::string value;
  bool at_fallback = false;
  if (row.kind == SettingKind::kDistance) {
    value = DistanceText(row, host.Fields());
    at_fallback = value == std::to_string(row.fallback);
  } else if (!row.is_text()) {
    const std::int32_t number = NumberOf(row, host.Fields());
    value = std::to_string(number);
    at_fallback = number == row.fallback;
  } else if (row.edit) {
    if (IsStale(row, host.EditText(*row.edit))) host.SetEditText(*row.edit, "");
    value = host.EditText(*row.edit);
  } else {
    std::string& field = row.text(host.Fields());
    if (IsStale(row, field)) field.clear();
    value = field;
  }
  if (row.is_text()) at_fallback = value.empty();
  if (!row.always_saved && at_fallback && !ini.HasKey(kSettingsSection, row.key)) return;
  ini.PutText(kSettingsSection, row.key, value);
}

}  // namespace

std::string SettingsPath() {
  return SettingsPathIn(CurrentSettingsPlace());
}

void LoadSettings(SettingsHost& host, const std::string& path) {
  const TMemIniFile ini(path);
  for (const SettingSpec& row : SettingsTable()) LoadSetting(row, ini, host);
  // The logo's path, shown again without the check (see SettingSpec::shown_again).
  for (const SettingSpec& row : SettingsTable()) {
    if (row.shown_again) {
      host.SetEditText(*row.edit, ini.ReadText(kSettingsSection, row.key, ""));
    }
  }
}

void LoadSettings(SettingsHost& host) {
  LoadSettings(host, SettingsPath());
}

void SaveSettings(SettingsHost& host, const std::string& path) {
  TMemIniFile ini(path);
  for (const SettingSpec& row : SettingsTable()) SaveSetting(row, ini, host);
  ini.WriteToFile();
}

void SaveSettings(SettingsHost& host) {
  const std::string path = SettingsPath();
  // The configuration folder is made on the first save; a failure shows when the file cannot
  // be created in it.
  std::error_code ignored;
  std::filesystem::create_directories(FolderPart(path), ignored);
  SaveSettings(host, path);
}

}  // namespace quelmar
