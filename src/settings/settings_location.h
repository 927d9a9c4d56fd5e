#pragma once

#include <string>

namespace quelmar {

// The facts that decide where the settings file lives.
struct SettingsPlace {
  std::string program_folder;  // the executable's folder, ending in a separator
  bool program_folder_writable = false;
  bool program_folder_has_file = false;  // it already holds "Quelmar.ini"
  std::string config_home;               // $XDG_CONFIG_HOME, or empty
  std::string home;                      // $HOME, or empty
};

// "Quelmar.ini" beside the executable when that folder is the user's to write or already holds
// the file (a build folder, a portable copy); otherwise in the user's configuration folder
// ($XDG_CONFIG_HOME/quelmar/, else ~/.config/quelmar/), so that an installed program in a
// system folder can still save.
std::string SettingsPathIn(const SettingsPlace& place);

// The facts of this process and its environment.
SettingsPlace CurrentSettingsPlace();

}  // namespace quelmar
