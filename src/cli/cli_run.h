#pragma once

#include <atomic>
#include <iosfwd>

namespace quelmar {

// The whole of quelmar-cli: parses the arguments, runs the same checks and walk as the
// window's convert button, and returns the exit status (see ExitStatus). The standard output
// out takes what programs read (help, a dry run's list, JSON lines), in English; err takes
// everything said to a person, in the system's Japanese: the run's messages, its counts, the
// refusal of a bad argument. terminal: err is a terminal, where a progress line is drawn.
// A true interrupt stops the run at the walk's next check. A walk that finds no JPEG file at
// all ends with a warning and status 1.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupt, bool terminal);

}  // namespace quelmar
