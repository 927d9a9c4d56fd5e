#include "settings/settings_location.h"

#include <unistd.h>

#include <cstdlib>

#include "base/paths.h"

namespace quelmar {

namespace {

constexpr const char* kFileName = "Quelmar.ini";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::string SettingsPathIn(const SettingsPlace& place) {
  if (place.program_folder_writable || place.program_folder_has_file) {
    return place.program_folder + kFileName;
  }
  // The XDG rule: a relative $XDG_CONFIG_HOME is ignored.
  std::string config = place.config_home;
  if (config.empty() || config.front() != kPathSeparator) {
    config = place.home.empty() ? std::string() : WithTrailingSeparator(place.home) + ".config";
  }
  // With no configuration folder to be had, the program's folder is still the place, and a
  // save reports that it cannot write there.
  if (config.empty()) return place.program_folder + kFileName;
  return JoinPath(WithTrailingSeparator(config) + "quelmar", kFileName);
}

SettingsPlace CurrentSettingsPlace() {
  SettingsPlace place;
  place.program_folder = FolderPart(ExecutablePath());
  const std::string folder = place.program_folder.empty() ? "." : place.program_folder;
  place.program_folder_writable = ::access(folder.c_str(), W_OK) == 0;
  place.program_folder_has_file = FileExists(place.program_folder + kFileName);
  place.config_home = Environment("XDG_CONFIG_HOME");
  place.home = Environment("HOME");
  return place;
}

}  // namespace quelmar
