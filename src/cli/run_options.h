#pragma once

#include <optional>
#include <string>

#include "convert/shard.h"

namespace CLI {
class App;
}

namespace quelmar {

// How much the converter says on standard error.
enum class Verbosity {
  kQuiet,   // errors only: failed files, failed checks, errors that end the run
  kNormal,  // also the end of the run, its counts and warnings
  kVerbose  // also a line for every file
};

// The options that decide which files a run takes and what it tells, beside its settings.
struct RunOptions {
  bool dry_run = false;
  std::optional<Shard> shard;
  std::string files_from;  // empty: walk the source; "-": standard input
  bool null_separated = false;
  bool jsonl = false;         // one JSON object per file on standard output
  bool progress_line = true;  // the line on a terminal's standard error
  bool quiet = false;
  bool verbose = false;

  Verbosity verbosity() const {
    return quiet ? Verbosity::kQuiet : verbose ? Verbosity::kVerbose : Verbosity::kNormal;
  }
};

// Adds --shard, --files-from, -0/--null, --dry-run, --progress, -q/--quiet and
// -v/--verbose to app, filling options as they are parsed; a malformed value is refused by
// the parse in the form "option: what was expected".
void AddRunOptions(CLI::App& app, RunOptions& options);

// The refusal of options that do not go together (-0 without --files-from, --quiet with
// --verbose), or nullopt.
std::optional<std::string> CheckRunOptions(const RunOptions& options);

}  // namespace quelmar
