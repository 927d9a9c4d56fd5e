#include "settings/settings_location.h"

#include <cstdlib>

#include "base/paths.h"

namespace quelmar {

namespace {

constexpr const char* kFileName = "Quelmar.ini";
constexpr const char* kPortableMark = "portable";
// Programs lie at most this many folders below the build folder (build/src/app/quelmar).
constexpr int kBuildTreeDepth = 3;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::string SettingsPathIn(const SettingsPlace& place) {
  if (place.build_tree || place.portable || place.program_folder_has_file) {
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

bool IsInBuildTree(const std::string& folder) {
  std::string at = WithTrailingSeparator(folder);
  for (int up = 0; up <= kBuildTreeDepth && !at.empty(); ++up) {
    if (FileExists(at + "CMakeCache.txt")) return true;
    if (at == std::string(1, kPathSeparator)) break;
    at.pop_back();
    at = FolderPart(at);
  }
  return false;
}

SettingsPlace CurrentSettingsPlace() {
  SettingsPlace place;
  place.program_folder = FolderPart(ExecutablePath());
  // Without the executable's own folder, nothing is beside it.
  if (!place.program_folder.empty()) {
    place.build_tree = IsInBuildTree(place.program_folder);
    place.portable = FileExists(place.program_folder + kPortableMark);
    place.program_folder_has_file = FileExists(place.program_folder + kFileName);
  }
  place.config_home = Environment("XDG_CONFIG_HOME");
  place.home = Environment("HOME");
  return place;
}

}  // namespace quelmar
