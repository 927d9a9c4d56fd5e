#pragma once

#include <atomic>
#include <chrono>
#include <iosfwd>
#include <map>
#include <string>

#include "cli/cli_options.h"
#include "convert/run_host.h"

namespace quelmar {

// The main window's part in a run, played on a terminal: the fields come from the command
// line, messages go to the error stream, the Yes/No question after a failed file is answered
// by --on-error, and an interrupt request stops the run at the walk's next check.
class TerminalHost : public RunHost {
 public:
  // progress_line: redraw a line of the files done on err (for a terminal).
  TerminalHost(const CliParameters& parameters, OnError on_error, std::ostream& err,
               const std::atomic<bool>& interrupt, bool progress_line);

  RunState& State() override { return state_; }
  std::string FieldText(RunField field) const override;
  StampSettings CurrentStampSettings() const override { return stamp_; }
  std::int32_t Quality() const override { return quality_; }
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
  void Focus(RunField field) override;
  // The command line never writes the window's settings file.
  void SaveSettings() override {}
  void FileFinished(const FileOutcome& outcome) override;
  int Jobs() const override { return jobs_; }

  bool check_failed() const { return check_failed_; }
  bool interrupted() const { return interrupted_; }

 private:
  void ClearProgressLine();
  void DrawProgressLine();

  RunState state_;
  std::map<RunField, std::string> fields_;
  StampSettings stamp_;
  std::int32_t quality_;
  int jobs_;
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
  int files_done_ = 0;  // for the rate of the progress line
};

}  // namespace quelmar
