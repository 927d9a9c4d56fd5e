#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "convert/run_host.h"

namespace quelmar::fixtures {

// A scripted main window: answers to the Yes/No questions in order (Yes once they run out),
// a stop request arriving at a chosen event pump, and a record of everything shown.
class FakeRunHost : public RunHost {
 public:
  RunState state;
  std::map<EditField, std::string> fields;
  StampSettings stamp;
  std::int32_t quality = 90;
  bool lossless = false;
  bool keep_metadata = false;
  int jobs = 0;  // worker threads of the walk; 0 for one per core

  std::deque<bool> answers;
  int stop_at_pump = 0;               // the 1-based pump at which FStop becomes 1; 0 for never
  std::function<void()> save_action;  // runs at each SaveSettings (may throw)
  std::function<void(int)> on_pump;   // runs at each event pump, with its 1-based number
  std::function<void()> on_question;  // runs at each Yes/No question, before the answer

  std::int32_t progress_max = 0;
  std::int32_t progress_position = 0;
  std::string caption = "変換";
  int pumps = 0;
  int files_finished = 0;
  std::vector<std::string> questions;
  std::vector<FileOutcome> outcomes;  // every FileFinished, in order
  std::vector<EditField> focus;
  // Messages, beeps, saves, captions and error reports in the order they happened:
  // "message:<text>", "beep", "save", "caption:<text>", "error:<text>".
  std::vector<std::string> log;

  RunState& State() override { return state; }
  std::string EditText(EditField field) const override {
    const auto it = fields.find(field);
    return it == fields.end() ? std::string() : it->second;
  }
  StampSettings CurrentStampSettings() const override { return stamp; }
  std::int32_t Quality() const override { return quality; }
  bool Lossless() const override { return lossless; }
  bool KeepMetadata() const override { return keep_metadata; }
  std::int32_t ProgressMax() const override { return progress_max; }
  void SetProgressMax(std::int32_t value) override { progress_max = value; }
  std::int32_t ProgressPosition() const override { return progress_position; }
  void SetProgressPosition(std::int32_t value) override { progress_position = value; }
  void SetButtonCaption(const std::string& text) override {
    caption = text;
    log.push_back("caption:" + text);
  }
  void ProcessEvents() override {
    if (++pumps == stop_at_pump) state.FStop = 1;
    if (on_pump) on_pump(pumps);
  }
  void ShowMessage(const std::string& text) override { log.push_back("message:" + text); }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    if (on_question) on_question();
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ReportError(const std::exception& error) override {
    log.push_back(std::string("error:") + error.what());
  }
  void Beep() override { log.push_back("beep"); }
  void Focus(EditField field) override { focus.push_back(field); }
  void SaveSettings() override {
    log.push_back("save");
    if (save_action) save_action();
  }
  void FileFinished(const FileOutcome& outcome) override {
    ++files_finished;
    outcomes.push_back(outcome);
  }
  int Jobs() const override { return jobs; }

  // The messages shown, in order.
  std::vector<std::string> Messages() const {
    std::vector<std::string> messages;
    for (const std::string& entry : log) {
      if (entry.rfind("message:", 0) == 0) messages.push_back(entry.substr(8));
    }
    return messages;
  }
};

}  // namespace quelmar::fixtures
