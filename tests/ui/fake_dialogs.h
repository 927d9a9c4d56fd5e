#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/options_dialog.h"

namespace quelmar::fixtures {

// Dialogs that record what the window shows and answer from scripts. An empty script answers
// No, and cancels file and folder dialogs.
class FakeDialogs : public Dialogs {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  GoOnAnswer AskToGoOn(const std::string& text, const std::string& details) override {
    warnings.push_back(text);
    warning_details.push_back(details);
    if (go_on_answers.empty()) return Next(warning_answers) ? GoOnAnswer::kYes : GoOnAnswer::kNo;
    const GoOnAnswer answer = go_on_answers.front();
    go_on_answers.pop_front();
    return answer;
  }
  bool AskConfirmation(const std::string& text) override {
    confirmations.push_back(text);
    return Next(confirmation_answers);
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override {
    file_requests.push_back(request);
    return NextPath(files);
  }
  std::optional<std::string> ChooseFolder(const std::string& start) override {
    folder_starts.push_back(start);
    return NextPath(folders);
  }
  // The 詳細設定 dialog is the real one, not shown: options_script acts on it and returns
  // whether it is accepted; without a script it is cancelled.
  bool EditOptions(SettingsFields& fields) override {
    ++options_shown;
    OptionsDialog dialog(fields);
    if (!options_script || !options_script(dialog)) return false;
    dialog.ApplyTo(fields);
    return true;
  }
  void Beep() override { ++beeps; }

  std::vector<std::string> messages, warnings, confirmations, errors;
  std::vector<FileDialogRequest> file_requests;
  std::vector<std::string> folder_starts;  // where each folder chooser was to open
  std::deque<bool> warning_answers, confirmation_answers;
  // The question after a failed file records into warnings (and its details here) and takes
  // its answers from go_on_answers, else from warning_answers.
  std::vector<std::string> warning_details;
  std::deque<GoOnAnswer> go_on_answers;
  std::deque<std::optional<std::string>> files, folders;
  int beeps = 0;
  std::function<bool(OptionsDialog&)> options_script;
  int options_shown = 0;

 private:
  static bool Next(std::deque<bool>& answers) {
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  static std::optional<std::string> NextPath(std::deque<std::optional<std::string>>& paths) {
    if (paths.empty()) return std::nullopt;
    std::optional<std::string> path = paths.front();
    paths.pop_front();
    return path;
  }
};

}  // namespace quelmar::fixtures
