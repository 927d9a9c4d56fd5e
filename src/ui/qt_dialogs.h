#pragma once

#include "ui/dialogs.h"

namespace quelmar {

// The program's dialogs, made of Qt's message boxes and file dialogs, centred on the screen.
class QtDialogs : public Dialogs {
 public:
  void ShowMessage(const std::string& text) override;
  bool AskWarning(const std::string& text) override;
  bool AskConfirmation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseFolder() override;
  void Beep() override;
};

}  // namespace quelmar
