#pragma once

#include <atomic>
#include <iosfwd>

namespace quelmar {

// The whole of quelmar-cli: parses the arguments, runs the same checks and walk as the
// window's convert button, and returns the exit status (see ExitStatus). Help goes to out,
// everything else to err; progress_line draws a progress line on err (for a terminal).
// A true interrupt stops the run at the walk's next check.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupt, bool progress_line);

}  // namespace quelmar
