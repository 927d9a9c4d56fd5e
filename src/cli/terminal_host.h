#pragma once

#include <atomic>
#include <chrono>
#include <iosfwd>
#include <string>

#include "cli/cli_options.h"
#include "convert/run_host.h"

namespace quelmar {

// The main window's part in a run, played on a terminal: the fields come from the command
// line, messages go to the error stream, the Yes/No question after a failed file is answered
// by --on-error, and an interrupt request stops the run at the walk's next check.
class TerminalHost : public RunHost {
 public:
  // progress_line: redraw a line of folders and files done on err (for a terminal).
  TerminalHost(const CliParameters& parameters, OnError on_error, std::ostream& err,
               const std::atomic<bool>& interrupt, bool progress_line);

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
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void ReportError(const std::exception& error) override;
  void Beep() override;
  void Focus(EditField field) override;
  // The command line never writes the window's settings file.
  void SaveSettings() override {}
  // Counts the files; in the lossless mode says once per run why a photo fell back or had its
  // scan coded again.
  void FileFinished(const FileOutcome& outcome) override;
  int Jobs() const override { return settings_.FJobs; }
  bool Lossless() const override { return settings_.FLossless != 0; }
  bool KeepMetadata() const override { return settings_.FKeepMetadata != 0; }

  bool check_failed() const { return check_failed_; }
  bool interrupted() const { return interrupted_; }
  int failed_files() const { return failed_files_; }
  int files_done() const { return files_done_; }
  // The summary of the lossless mode's photos, or empty when it was off.
  std::string LosslessSummary() const;

 private:
  void ClearProgressLine();
  void DrawProgressLine();
  void NoteLossless(const std::string& source, const LosslessStatus& status);

  RunState state_;
  EditTexts fields_;
  SettingsFields settings_;
  int lossless_exact_ = 0;       // spliced or rewritten, the coefficients outside the logo kept
  int lossless_new_tables_ = 0;  // the scan coded again with new Huffman tables
  int lossless_fallbacks_ = 0;   // stamped by the full path
  bool fallback_said_ = false;
  bool new_tables_said_ = false;
  OnError on_error_;
  std::ostream& err_;
  const std::atomic<bool>& interrupt_;
  bool progress_line_;
  bool line_shown_ = false;
  FileOutcome last_;  // the outcome a question is about
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_draw_{};

  std::int32_t progress_max_ = 0;
  std::int32_t progress_position_ = 0;
  bool check_failed_ = false;
  bool interrupted_ = false;
  int failed_files_ = 0;
  int files_done_ = 0;
};

}  // namespace quelmar
