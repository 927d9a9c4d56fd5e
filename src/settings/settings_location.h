#pragma once

#include <string>

namespace quelmar {

// The facts that decide where the settings file lives.
struct SettingsPlace {
  std::string program_folder;            // the executable's folder, ending in a separator
  bool build_tree = false;               // the program runs from the folder it was built in
  bool portable = false;                 // its folder holds a file named "portable"
  bool program_folder_has_file = false;  // its folder already holds "Quelmar.ini"
  std::string config_home;               // $XDG_CONFIG_HOME, or empty
  std::string home;                      // $HOME, or empty
};

// "Quelmar.ini" beside the executable for a program run from its build tree or from a folder
// marked portable (by a file named "portable", or by a "Quelmar.ini" already there); for an
// installed program in the user's configuration folder ($XDG_CONFIG_HOME/quelmar/, else
// ~/.config/quelmar/), whoever runs it and whether or not its folder is writable, so that a
// run as root never leaves a file in a system folder that other users cannot replace.
std::string SettingsPathIn(const SettingsPlace& place);

// True when folder, or one of the few folders above it that a build puts its programs in,
// holds CMakeCache.txt: the program was built there and runs uninstalled.
bool IsInBuildTree(const std::string& folder);

// The facts of this process and its environment.
SettingsPlace CurrentSettingsPlace();

}  // namespace quelmar
