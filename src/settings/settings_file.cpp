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
void LoadSetting(const SettingSpec& spec, const TMemIniFile& ini, SettingsHost& host) {
  if (spec.kind == SettingKind::kDistance) {
    // A distance the file does not hold in a form of its own is the fallback, in pixels.
    if (!SetDistance(spec, host.Fields(), ini.ReadText(kSettingsSection, spec.key, ""))) {
      SetDistance(spec, host.Fields(), std::to_string(spec.fallback));
    }
    return;
  }
  if (!spec.is_text()) {
    const std::int32_t stored = ini.ReadNumber(kSettingsSection, spec.key, spec.fallback);
    SetNumber(spec, host.Fields(), std::clamp(stored, spec.minimum, spec.maximum));
    return;
  }
  const std::string text = ini.ReadText(kSettingsSection, spec.key, "");
  if (spec.edit) {
    host.SetEditText(*spec.edit, text);
    if (spec.checked_on_load && IsStale(spec, host.EditText(*spec.edit))) {
      host.SetEditText(*spec.edit, "");
    }
    return;
  }
  std::string& field = spec.text(host.Fields());
  field = text;
  if (spec.checked_on_load && IsStale(spec, field)) field.clear();
}

// Writes one setting as the window holds it: a stale path is emptied in the window first;
// numbers go out unclamped. A later option at its fallback is written only over a value the
// file already holds.
void SaveSetting(const SettingSpec& spec, TMemIniFile& ini, SettingsHost& host) {
  std::string value;
  bool at_fallback = false;
  if (spec.kind == SettingKind::kDistance) {
    value = DistanceText(spec, host.Fields());
    at_fallback = value == std::to_string(spec.fallback);
  } else if (!spec.is_text()) {
    const std::int32_t number = NumberOf(spec, host.Fields());
    value = std::to_string(number);
    at_fallback = number == spec.fallback;
  } else if (spec.edit) {
    if (IsStale(spec, host.EditText(*spec.edit))) host.SetEditText(*spec.edit, "");
    value = host.EditText(*spec.edit);
  } else {
    std::string& field = spec.text(host.Fields());
    if (IsStale(spec, field)) field.clear();
    value = field;
  }
  if (spec.is_text()) at_fallback = value.empty();
  if (!spec.always_saved && at_fallback && !ini.HasKey(kSettingsSection, spec.key)) return;
  ini.PutText(kSettingsSection, spec.key, value);
}

}  // namespace

std::string SettingsPath() {
  return SettingsPathIn(CurrentSettingsPlace());
}

void LoadSettings(SettingsHost& host, const std::string& path) {
  const TMemIniFile ini(path);
  for (const SettingSpec& spec : SettingsTable()) LoadSetting(spec, ini, host);
  // The logo's path, shown again without the check (see SettingSpec::shown_again).
  for (const SettingSpec& spec : SettingsTable()) {
    if (spec.shown_again) {
      host.SetEditText(*spec.edit, ini.ReadText(kSettingsSection, spec.key, ""));
    }
  }
}

void LoadSettings(SettingsHost& host) {
  LoadSettings(host, SettingsPath());
}

void SaveSettings(SettingsHost& host, const std::string& path) {
  TMemIniFile ini(path);
  for (const SettingSpec& spec : SettingsTable()) SaveSetting(spec, ini, host);
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
