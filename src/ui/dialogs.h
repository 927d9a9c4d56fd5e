#pragma once

#include <optional>
#include <string>

#include "settings/settings_host.h"

namespace quelmar {

// The third button of the question after a failed file.
inline constexpr const char* kGoOnToAllCaption = "確認せずに続ける(&A)";

// A file-open dialog as the window asks for it. The filter is in Qt's syntax
// ("Name (*.ext);;Other (*.x)"), the first entry preselected. The named file need not exist.
struct FileDialogRequest {
  std::string filter;
  std::string default_suffix;  // added to a typed name without one
  std::string initial_file;    // empty: the name field starts empty
  std::string initial_folder;  // where the dialog opens when it exists; else where it was
};

// The answers to the question after a file that could not be converted.
enum class GoOnAnswer {
  kYes,       // go on
  kNo,        // stop the run
  kYesToAll,  // go on, and do not ask again during this run
};

// Every dialog the main window shows. The program uses Qt's dialogs; tests script the answers.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A plain message: the application's title, no icon, one button "OK".
  virtual void ShowMessage(const std::string& text) = 0;
  // The question after a failed file: "警告" with text, details below it, and the buttons
  // "はい(&Y)", "いいえ(&N)" and kGoOnToAllCaption. Enter is Yes, Esc is No.
  virtual GoOnAnswer AskToGoOn(const std::string& text, const std::string& details) = 0;
  // "確認" with "はい(&Y)" and "いいえ(&N)"; Enter is Yes, Esc is No. True for Yes.
  virtual bool AskConfirmation(const std::string& text) = 0;
  // The general error report: error icon, the application's title, one button "OK". text is
  // shown as it is (see ErrorReportText).
  virtual void ShowError(const std::string& text) = 0;
  // The chosen file name, or nothing when cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  // The folder chooser "ディレクトリの選択", opened on start when that names an existing folder
  // (else on the current directory): the chosen folder (existing, created on request), or
  // nothing when cancelled.
  virtual std::optional<std::string> ChooseFolder(const std::string& start) = 0;
  // The 詳細設定 dialog (OptionsDialog) over fields: true on OK, with the dialog's values set in
  // fields; false on キャンセル or Esc, with fields unchanged.
  virtual bool EditOptions(SettingsFields& fields) = 0;
  // The system's default sound.
  virtual void Beep() = 0;
};

}  // namespace quelmar
