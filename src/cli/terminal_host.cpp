#include "cli/terminal_host.h"

#include <cstdio>
#include <ostream>

#include "cli/cli_run.h"

namespace quelmar {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

const char* OptionOf(RunField field) {
  switch (field) {
    case RunField::kLogo:
      return "--logo";
    case RunField::kSource:
      return "--source";
    case RunField::kOutput:
      return "--output";
    case RunField::kExclusions:
      return "--exclude";
  }
  return "";
}

}  // namespace

TerminalHost::TerminalHost(const CliParameters& parameters, OnError on_error, std::ostream& err,
                           const std::atomic<bool>& interrupt, bool progress_line)
    : fields_{{RunField::kLogo, parameters.logo},
              {RunField::kSource, parameters.source},
              {RunField::kOutput, parameters.output},
              {RunField::kExclusions, parameters.exclude}},
      stamp_(parameters.stamp),
      quality_(parameters.quality),
      jobs_(parameters.jobs),
      on_error_(on_error),
      err_(err),
      interrupt_(interrupt),
      progress_line_(progress_line) {}

std::string TerminalHost::FieldText(RunField field) const {
  return fields_.at(field);
}

void TerminalHost::ProcessEvents() {
  if (interrupt_.load()) {
    state_.FStop = 1;
    interrupted_ = true;
  }
  if (!progress_line_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_draw_ < kRedrawInterval) return;
  last_draw_ = now;
  DrawProgressLine();
}

void TerminalHost::ShowMessage(const std::string& text) {
  ClearProgressLine();
  err_ << text << '\n' << std::flush;
}

bool TerminalHost::AskYesNo(const std::string& text) {
  const bool go_on = on_error_ == OnError::kContinue;
  ClearProgressLine();
  // Some messages do not name their file; a terminal has no window to show it in.
  if (last_.message.rfind(last_.source, 0) != 0) err_ << last_.source << ": ";
  err_ << text << (go_on ? " はい" : " いいえ") << '\n' << std::flush;
  return go_on;
}

void TerminalHost::ReportError(const std::exception& error) {
  ClearProgressLine();
  err_ << ErrorReportText(error.what()) << '\n' << std::flush;
}

void TerminalHost::Beep() {
  if (progress_line_) err_ << '\a' << std::flush;
}

void TerminalHost::Focus(RunField field) {
  check_failed_ = true;
  err_ << "(" << OptionOf(field) << ")\n" << std::flush;
}

void TerminalHost::FileFinished(const FileOutcome& outcome) {
  ++files_done_;
  last_ = outcome;
}

void TerminalHost::ClearProgressLine() {
  if (!line_shown_) return;
  err_ << "\r\033[K";
  line_shown_ = false;
}

void TerminalHost::DrawProgressLine() {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  char line[160];
  std::snprintf(line, sizeof line, "\r\033[Kファイル %d/%d  %.1f 枚/秒", progress_position_,
                progress_max_, seconds > 0 ? files_done_ / seconds : 0.0);
  err_ << line << std::flush;
  line_shown_ = true;
}

}  // namespace quelmar
