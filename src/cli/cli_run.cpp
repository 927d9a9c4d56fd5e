#include "cli/cli_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <exception>
#include <memory>
#include <ostream>

#include "base/descriptor.h"
#include "base/errors.h"
#include "cli/cli_options.h"
#include "cli/json_line.h"
#include "cli/terminal_host.h"
#include "convert/path_containment.h"
#include "convert/run_control.h"

namespace quelmar {

namespace {

// The warning of a finished walk that found no JPEG file at all below the source.
constexpr const char* kNoJpegWarning = ": JPEG ファイルが一つもありません";

// The list --files-from names, opened; standard input for "-". Writes the refusal on err and
// returns null when it cannot be opened.
std::unique_ptr<PathList> OpenFileList(const RunOptions& run, Descriptor& file, std::ostream& err) {
  const char separator = run.null_separated ? '\0' : '\n';
  if (run.files_from == "-") return std::make_unique<DescriptorPathList>(STDIN_FILENO, separator);
  file = Descriptor(::open(run.files_from.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    err << "--files-from: " << run.files_from << " を開けません: " << SystemErrorText(errno)
        << '\n';
    return nullptr;
  }
  return std::make_unique<DescriptorPathList>(file.get(), separator);
}

// The line of counts after a run; a dry run counts what it would convert.
std::string CountsLine(const RunTally& counts, bool dry_run) {
  if (!dry_run) return counts.Text();
  const std::string skipped =
      counts.skipped > 0 ? "、変換済みで飛ばしたファイル " + std::to_string(counts.skipped) : "";
  return "変換するファイル " + std::to_string(counts.planned) + skipped +
         "、変換できないファイル " + std::to_string(counts.failed) +
         " (--dry-run のため何も書き込んでいません)";
}

// Runs the convert button's click on host; the exit status of its errors, or nullopt.
std::optional<int> Click(TerminalHost& host) {
  try {
    BitBtn1Click(host);
  } catch (const EOutputInSource& e) {
    // The containment check, failed on the way: the same refusal as before the run.
    host.SayOnError(ErrorReportText(e.what()));
    return kExitBadUsage;
  } catch (const std::exception& e) {
    host.SayOnError(ErrorReportText(e.what()));
    return kExitError;
  }
  if (host.check_failed()) return kExitBadUsage;
  return std::nullopt;
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupt, bool terminal) {
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
  const RunOptions& run = options.run;
  Descriptor list_file;
  std::unique_ptr<PathList> list;
  if (!run.files_from.empty() && !(list = OpenFileList(run, list_file, err))) return kExitBadUsage;

  TerminalHost host(parameters, run, options.on_error, out, err, interrupt, terminal, list.get());
  const std::optional<int> ended = Click(host);
  int status = ended.value_or(kExitConverted);
  if (!ended) {
    const RunTally& counts = host.counts();
    const bool no_jpeg = !list && !host.listed() && !host.interrupted() && counts.failed == 0;
    if (run.verbosity() != Verbosity::kQuiet) {
      host.SayOnError(CountsLine(counts, run.dry_run));
      if (const std::string summary = host.LosslessSummary(); !summary.empty()) {
        host.SayOnError(summary);
      }
    }
    if (no_jpeg) host.SayOnError("警告: " + parameters.texts[EditField::kSource] + kNoJpegWarning);
    status = host.interrupted()             ? kExitInterrupted
             : counts.failed > 0 || no_jpeg ? kExitSomeFailed
                                            : kExitConverted;
  }
  if (run.jsonl) {
    out << SummaryLine(
        {host.counts(), host.bytes_in(), host.bytes_out(), host.seconds(), host.stopped(), status});
  }
  out << std::flush;
  return status;
}

}  // namespace quelmar
