#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "image/stamp.h"

namespace quelmar {

// What a run of the converter is given: the window's four edit fields, the stamp parameters
// and the quality.
struct CliParameters {
  std::string logo;
  std::string source;
  std::string output;
  std::string exclude;  // comma text
  StampSettings stamp{kTopLeft, mkColor, 127, 250};
  std::int32_t quality = 100;
  std::int32_t jobs = 0;  // worker threads; 0 for one per core
  bool lossless = false;  // only the logo's blocks coded again; the quality plays no part
};

enum class OnError { kContinue, kStop };

// The command line, parsed.
struct CliOptions {
  std::optional<std::string> logo, source, output, exclude;
  std::optional<std::int32_t> position, density, mask, threshold, quality;
  std::optional<bool> lossless;
  std::string settings_file;  // empty for none
  OnError on_error = OnError::kContinue;
  std::int32_t jobs = 1;
};

// The exit statuses of quelmar-cli.
enum ExitStatus : int {
  kExitConverted = 0,     // every file converted
  kExitSomeFailed = 1,    // some files could not be converted
  kExitBadUsage = 2,      // bad arguments, or a failed check of the fields
  kExitError = 3,         // an error ended the run
  kExitInterrupted = 130  // Ctrl-C
};

// Parses the arguments. Returns the exit status when the program is to end here: 0 after
// --help (printed on out), kExitBadUsage after a bad argument (explained on err).
std::optional<int> ParseCliOptions(int argc, const char* const* argv, CliOptions& options,
                                   std::ostream& out, std::ostream& err);

// The parameters of the run: the settings file's values (with the defaults and clamps of the
// window's settings) when one is named, overridden by every option given explicitly.
// A settings file that cannot be read fails with EFOpenError.
CliParameters ResolveParameters(const CliOptions& options);

}  // namespace quelmar
