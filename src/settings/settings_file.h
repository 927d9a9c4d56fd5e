#pragma once

#include <string>

#include "settings/settings_host.h"

namespace quelmar {

// The settings file, worked out afresh at each call: "Quelmar.ini" in the user's configuration
// folder for an installed program, beside the executable for one run from its build folder or
// a portable copy (see settings_location.h).
std::string SettingsPath();

// Reads the settings file into the window's edit fields and fields: defaults for what is
// missing or not a number, values clamped to their ranges, stale paths emptied. Never writes
// the file.
void LoadSettings(SettingsHost& host, const std::string& path);
void LoadSettings(SettingsHost& host);

// Writes the settings of the table (settings_table.h) into the settings file, keeping
// everything else it holds: the ten keys of the window always, a later option once it differs
// from its default or the file already holds it. Stale paths are emptied in the window as well
// as in the file; the numbers are written as the fields hold them.
void SaveSettings(SettingsHost& host, const std::string& path);
void SaveSettings(SettingsHost& host);

}  // namespace quelmar
