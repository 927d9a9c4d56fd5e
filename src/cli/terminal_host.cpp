#include "cli/terminal_host.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "convert/convert_file.h"
#include "settings/settings_table.h"

#include "cli/cli_run.h"

namespace quelmar {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

TerminalHost::TerminalHost(const CliParameters& parameters, OnError on_error, std::ostream& err,
                           const std::atomic<bool>& interrupt, bool progress_line)
    : fields_(parameters.texts),
      settings_(parameters.fields),
      on_error_(on_error),
      err_(err),
      interrupt_(interrupt),
      progress_line_(progress_line) {}

std::string TerminalHost::EditText(EditField field) const {
  return fields_[field];
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

void TerminalHost::Focus(EditField field) {
  check_failed_ = true;
  // The option that sets the field, its long name if it has two.
  const std::string_view option = SettingOf(field).option;
  err_ << "(" << option.substr(option.rfind(',') + 1) << ")\n" << std::flush;
}

void TerminalHost::FileFinished(const FileOutcome& outcome) {
  ++files_done_;
  if (outcome.lossless) NoteLossless(outcome.source, *outcome.lossless);
  last_ = outcome;
}

void TerminalHost::NoteLossless(const std::string& source, const LosslessStatus& status) {
  bool& said = status.outcome == LosslessOutcome::kFallback ? fallback_said_ : new_tables_said_;
  if (status.outcome == LosslessOutcome::kFallback) {
    ++lossless_fallbacks_;
  } else if (status.outcome == LosslessOutcome::kNewTables) {
    ++lossless_new_tables_;
  } else {
    ++lossless_exact_;
    return;
  }
  if (said) return;
  said = true;
  ClearProgressLine();
  err_ << LosslessNoteText(source, status) << "(この実行では一度だけ表示します)\n";
}

std::string TerminalHost::LosslessSummary() const {
  if (!Lossless()) return {};
  return "ロスレスで書いたファイル " + std::to_string(lossless_exact_ + lossless_new_tables_) +
         "(うちハフマン表を作り直したもの " + std::to_string(lossless_new_tables_) +
         ")、通常の変換で書いたファイル " + std::to_string(lossless_fallbacks_);
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
