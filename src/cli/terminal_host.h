#pragma once

#include <atomic>
#include <chrono>
#include <iosfwd>
#include <string>

#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "convert/run_host.h"
#include "convert/run_tally.h"
#include "settings/settings_table.h"

namespace quelmar {

// The main window's part in a run, played on a terminal: the fields come from the command
// line, messages go to the error stream, the Yes/No question after a failed file is answered
// by --on-error, and an interrupt request stops the run at the walk's next check. What a run
// writes for programs (a dry run's list, the JSON lines) goes to the output stream.
class TerminalHost : public RunHost {
 public:
  // terminal: err is a terminal, where the progress line is drawn (unless run says none).
  // list: the files to convert instead of walking the source, or null.
  TerminalHost(const CliParameters& parameters, const RunOptions& run, OnError on_error,
               std::ostream& out, std::ostream& err, const std::atomic<bool>& interrupt,
               bool terminal, PathList* list = nullptr);

  RunState& State() override { return state_; }
  std::string EditText(EditField field) const override;
  StampSettings CurrentStampSettings() const override { return settings_.stamp; }
  std::int32_t Quality() const override { return settings_.FQuality; }
  std::int32_t ProgressMax() const override { return progress_max_; }
  void SetProgressMax(std::int32_t value) override { progress_max_ = value; }
  std::int32_t ProgressPosition() const override { return progress_position_; }
  void SetProgressPosition(std::int32_t value) override { progress_position_ = value; }
  void SetButtonCaption(const std::string&) override {}
  void ProcessEvents() override;
  // Shown unless --quiet holds back the end of a run (a check's refusal always shows).
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void ReportError(const std::exception& error) override;
  // A terminal is never rung.
  void Beep() override {}
  void Focus(EditField field) override;
  // The command line never writes the window's settings file.
  void SaveSettings() override {}
  // Counts the files; in the lossless mode says once per run why a photo fell back or had its
  // scan coded again.
  void FileFinished(const FileOutcome& outcome) override;
  int Jobs() const override { return settings_.FJobs; }
  bool Lossless() const override { return settings_.FLossless != 0; }
  std::vector<std::pair<std::string, std::string>> OutputSettings() const override {
    return OutputSettingsOf(settings_);
  }
  RunSelection Selection() const override { return selection_; }
  PathList* FileList() override { return list_; }
  void FilesListed(const ListedCounts& counts) override;
  bool KeepMetadata() const override { return settings_.FKeepMetadata != 0; }

  bool check_failed() const { return check_failed_; }
  bool interrupted() const { return interrupted_; }
  // Whether the run ended stopped (by an interrupt, or after a failed file with --on-error stop).
  bool stopped() const { return stopped_; }
  // Whether the walk found any JPEG file in the source tree.
  bool listed() const { return listed_; }
  const RunTally& counts() const { return counts_; }
  // The summary of the lossless mode's photos, or empty when it was off.
  std::string LosslessSummary() const;
  std::uint64_t bytes_in() const { return bytes_in_; }
  std::uint64_t bytes_out() const { return bytes_out_; }
  double seconds() const;

  // Writes a line on the error stream, first taking the progress line away.
  void SayOnError(const std::string& line);

 private:
  void ClearProgressLine();
  void DrawProgressLine();
  // What a file's outcome adds to the output stream: its JSON line, or a dry run's list.
  void WriteOutput(const FileOutcome& outcome);
  // Counts a lossless photo's way; says once per run (unless quiet) why a photo fell back or
  // had its scan coded again.
  void NoteLossless(const std::string& source, const LosslessStatus& status);

  RunState state_;
  EditTexts fields_;
  SettingsFields settings_;
  RunSelection selection_;
  int lossless_exact_ = 0;       // spliced or rewritten, the coefficients outside the logo kept
  int lossless_new_tables_ = 0;  // the scan coded again with new Huffman tables
  int lossless_fallbacks_ = 0;   // stamped by the full path
  bool fallback_said_ = false;
  bool new_tables_said_ = false;
  OnError on_error_;
  Verbosity verbosity_;
  bool jsonl_;
  std::ostream& out_;
  std::ostream& err_;
  const std::atomic<bool>& interrupt_;
  bool progress_line_;
  PathList* list_;
  bool line_shown_ = false;
  FileOutcome last_;  // the outcome a question is about
  ProgressLine progress_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_draw_{};

  std::int32_t progress_max_ = 0;
  std::int32_t progress_position_ = 0;
  bool check_failed_ = false;
  bool interrupted_ = false;
  bool listed_ = false;
  bool stopped_ = false;
  RunTally counts_;
  std::uint64_t bytes_in_ = 0;
  std::uint64_t bytes_out_ = 0;
};

}  // namespace quelmar
