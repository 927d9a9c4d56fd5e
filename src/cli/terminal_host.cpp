#include "cli/terminal_host.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "cli/json_line.h"
#include "convert/convert_file.h"
#include "convert/run_control.h"
#include "settings/settings_table.h"

namespace quelmar {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// A path on one line of a listing: control characters and backslashes written as escapes,
// every other byte as it is.
std::string OneLine(const std::string& path) {
  std::string line;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      line += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      line += escaped;
    } else {
      line += c;
    }
  }
  return line;
}

// What the verbose line says of an outcome that is no failure (failures say it themselves).
const char* VerboseWords(FileOutcome::Result result) {
  switch (result) {
    case FileOutcome::Result::kConverted:
      return "変換しました";
    case FileOutcome::Result::kSkipped:
      return "変換済みなので飛ばしました";
    case FileOutcome::Result::kPlanned:
      return "変換します (--dry-run のため書き込みません)";
    default:
      return nullptr;
  }
}

}  // namespace

TerminalHost::TerminalHost(const CliParameters& parameters, const RunOptions& run, OnError on_error,
                           std::ostream& out, std::ostream& err, const std::atomic<bool>& interrupt,
                           bool terminal, PathList* list)
    : fields_(parameters.texts),
      settings_(parameters.fields),
      selection_{run.shard, parameters.fields.FSkipUpToDate != 0, run.dry_run},
      on_error_(on_error),
      verbosity_(run.verbosity()),
      jsonl_(run.jsonl),
      out_(out),
      err_(err),
      interrupt_(interrupt),
      progress_line_(terminal && run.progress_line && run.verbosity() != Verbosity::kQuiet),
      list_(list) {}

std::string TerminalHost::EditText(EditField field) const {
  return fields_[field];
}

double TerminalHost::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
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

void TerminalHost::SayOnError(const std::string& line) {
  ClearProgressLine();
  err_ << line << '\n' << std::flush;
}

void TerminalHost::ShowMessage(const std::string& text) {
  stopped_ = stopped_ || text.starts_with(kStoppedMessage);
  const bool run_end = text.starts_with(kFinishedMessage) || text.starts_with(kStoppedMessage);
  if (run_end && verbosity_ == Verbosity::kQuiet) return;
  SayOnError(text);
}

bool TerminalHost::AskYesNo(const std::string& text) {
  const bool go_on = on_error_ == OnError::kContinue;
  // Some messages do not name their file; a terminal has no window to show it in.
  const std::string named =
      last_.message.rfind(last_.source, 0) != 0 ? last_.source + ": " + text : text;
  SayOnError(named + (go_on ? " はい" : " いいえ"));
  return go_on;
}

void TerminalHost::ReportError(const std::exception& error) {
  SayOnError(ErrorReportText(error.what()));
}

void TerminalHost::Focus(EditField field) {
  check_failed_ = true;
  // The option that sets the field, its long name if it has two.
  const std::string_view option = SettingOf(field).option;
  // Built by appending: GCC 12 at -O3 takes "(" + a temporary string for an overlapping copy.
  std::string text = "(";
  text.append(option.substr(option.rfind(',') + 1));
  text += ')';
  SayOnError(text);
}

void TerminalHost::FilesListed(const ListedCounts& counts) {
  listed_ = true;
  progress_.Listed(counts);
  // The total is known from now on: show it at once rather than at the next redraw.
  if (progress_line_) DrawProgressLine();
}

void TerminalHost::FileFinished(const FileOutcome& outcome) {
  counts_.Add(outcome);
  progress_.Finished(outcome);
  bytes_in_ += outcome.bytes_in;
  bytes_out_ += outcome.bytes_out;
  if (outcome.lossless) NoteLossless(outcome.source, *outcome.lossless);
  last_ = outcome;
  WriteOutput(outcome);
  if (verbosity_ != Verbosity::kVerbose) return;
  if (const char* words = VerboseWords(outcome.result)) {
    char time[32];
    std::snprintf(time, sizeof time, " (%.0f ms)", outcome.milliseconds);
    SayOnError(outcome.source + ": " + words +
               (outcome.converted() ? std::string(time) : std::string()));
  }
}

void TerminalHost::WriteOutput(const FileOutcome& outcome) {
  if (jsonl_) {
    ClearProgressLine();
    out_ << OutcomeLine(outcome) << std::flush;
  } else if (selection_.dry_run && !outcome.failed()) {
    ClearProgressLine();
    out_ << (outcome.result == FileOutcome::Result::kSkipped ? "up-to-date " : "convert ")
         << OneLine(outcome.relative) << '\n';
  }
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
  if (said || verbosity_ == Verbosity::kQuiet) return;
  said = true;
  SayOnError(LosslessNoteText(source, status) + "(この実行では一度だけ表示します)");
}

std::string TerminalHost::LosslessSummary() const {
  if (!Lossless()) return {};
  return "ロスレスで書いたファイル " + std::to_string(lossless_exact_ + lossless_new_tables_) +
         "(うちハフマン表を作り直したもの " + std::to_string(lossless_new_tables_) +
         ")、通常の変換で書いたファイル " + std::to_string(lossless_fallbacks_);
}

void TerminalHost::ClearProgressLine() {
  if (!line_shown_) return;
  err_ << "\r\033[K" << std::flush;
  line_shown_ = false;
}

void TerminalHost::DrawProgressLine() {
  err_ << "\r\033[K" << progress_.Text(seconds()) << std::flush;
  line_shown_ = true;
}

}  // namespace quelmar
