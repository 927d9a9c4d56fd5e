#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>

#include "base/edit_field.h"
#include "cli/run_options.h"
#include "settings/settings_host.h"

namespace quelmar {

// What a run of the converter is given: the window's four edit fields and its settings fields.
struct CliParameters {
  EditTexts texts;        // the exclusions as comma text
  SettingsFields fields;  // the stamp, the quality, the jobs (0 for one per core)
};

enum class OnError { kContinue, kStop };

// The command line, parsed.
struct CliOptions {
  // The settings given as options (settings_table.h), by their key in the settings file, as
  // typed; numbers are whole numbers inside the range their setting offers.
  std::map<std::string, std::string, std::less<>> settings;
  std::string settings_file;  // empty for none
  OnError on_error = OnError::kContinue;
  RunOptions run;  // which files the run takes and what it tells
};

// The exit statuses of quelmar-cli.
enum ExitStatus : int {
  kExitConverted = 0,     // every file converted
  kExitSomeFailed = 1,    // some files could not be converted
  kExitBadUsage = 2,      // bad arguments, or a failed check of the fields
  kExitError = 3,         // an error ended the run
  kExitInterrupted = 130  // Ctrl-C
};

// Parses the arguments; every setting of the settings table with an option is one, and so are
// the run options (run_options.h). Returns the exit status when the program is to end here: 0
// after --help or --version (printed on out), kExitBadUsage after a bad argument, explained on
// err in one line that names the option first ("--jobs: 0 から 1024 までの整数を指定して
// ください"; a misspelt option with the closest real one).
std::optional<int> ParseCliOptions(int argc, const char* const* argv, CliOptions& options,
                                   std::ostream& out, std::ostream& err);

// The parameters of the run: the settings file's values (with the defaults and clamps of the
// window's settings) when one is named, overridden by every option given explicitly.
// A settings file that cannot be read fails with EFOpenError.
CliParameters ResolveParameters(const CliOptions& options);

}  // namespace quelmar
