#pragma once

#include "ui/dialogs.h"

class QFileDialog;

namespace quelmar {

// Sets up dialog for request: Qt's own dialog with a picture preview, the filter, the folder
// and file to start with, wide enough for the name, size, type and date of its files.
void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

// The program's dialogs, made of Qt's message boxes and file dialogs, centred on the screen.
class QtDialogs : public Dialogs {
 public:
  void ShowMessage(const std::string& text) override;
  bool AskConfirmation(const std::string& text) override;
  GoOnAnswer AskToGoOn(const std::string& text, const std::string& details) override;
  void ShowError(const std::string& text) override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseFolder(const std::string& start) override;
  bool EditOptions(SettingsFields& fields) override;
  void Beep() override;
};

}  // namespace quelmar
