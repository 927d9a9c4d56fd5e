#include "cli/cli_run.h"

#include <exception>
#include <ostream>

#include "base/errors.h"
#include "cli/cli_options.h"
#include "cli/terminal_host.h"
#include "convert/path_containment.h"
#include "convert/run_control.h"

namespace quelmar {

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupt, bool progress_line) {
  CliOptions options;
  if (const std::optional<int> status = ParseCliOptions(argc, argv, options, out, err)) {
    return *status;
  }
  CliParameters parameters;
  try {
    parameters = ResolveParameters(options);
  } catch (const std::exception& e) {
    err << ErrorReportText(e.what()) << '\n';
    return kExitBadUsage;
  }

  TerminalHost host(parameters, options.on_error, err, interrupt, progress_line);
  try {
    BitBtn1Click(host);
  } catch (const EOutputInSource& e) {
    // The containment check, failed on the way: the same refusal as before the run.
    err << ErrorReportText(e.what()) << '\n';
    return kExitBadUsage;
  } catch (const std::exception& e) {
    err << ErrorReportText(e.what()) << '\n';
    return kExitError;
  }
  if (host.check_failed()) return kExitBadUsage;
  err << host.State().tally.Text() << '\n';
  if (const std::string summary = host.LosslessSummary(); !summary.empty()) err << summary << '\n';
  if (host.interrupted()) return kExitInterrupted;
  return host.State().tally.failed > 0 ? kExitSomeFailed : kExitConverted;
}

}  // namespace quelmar
