#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "settings/settings_file.h"
#include "ui/dialogs.h"
#include "ui/error_report.h"
#include "ui/main_window.h"

namespace quelmar {

QLineEdit* TForm1::EditOf(EditField field) const {
  switch (field) {
    case EditField::kLogo:
      return Edit1;
    case EditField::kSource:
      return Edit2;
    case EditField::kOutput:
      return Edit3;
    case EditField::kExclusions:
      break;
  }
  return Edit4;
}

std::string TForm1::EditText(EditField field) const {
  return EditOf(field)->text().toStdString();
}

void TForm1::SetEditText(EditField field, const std::string& text) {
  // Edit1's change handler reports its own errors, so none travels back from here.
  EditOf(field)->setText(QString::fromStdString(text));
}

std::int32_t TForm1::ProgressMax() const {
  return ProgressBar1->maximum();
}

void TForm1::SetProgressMax(std::int32_t value) {
  ProgressBar1->setMaximum(value);
}

std::int32_t TForm1::ProgressPosition() const {
  return ProgressBar1->value();
}

void TForm1::SetProgressPosition(std::int32_t value) {
  ProgressBar1->setValue(value);
}

void TForm1::SetButtonCaption(const std::string& caption) {
  BitBtn1->setText(QString::fromStdString(caption));
}

void TForm1::ProcessEvents() {
  QCoreApplication::processEvents();
}

void TForm1::ShowMessage(const std::string& text) {
  if (!closed_) dialogs_.ShowMessage(text);
}

bool TForm1::AskYesNo(const std::string& text) {
  // Once the window has closed, a run still going on only winds down.
  return !closed_ && dialogs_.AskWarning(text);
}

void TForm1::ReportError(const std::exception& error) {
  if (!closed_) quelmar::ReportError(dialogs_, error);
}

void TForm1::Beep() {
  if (!closed_) dialogs_.Beep();
}

void TForm1::Focus(EditField field) {
  EditOf(field)->setFocus();
}

void TForm1::SaveSettings() {
  if (settings_path_.empty()) {
    quelmar::SaveSettings(*this);
  } else {
    quelmar::SaveSettings(*this, settings_path_);
  }
}

}  // namespace quelmar
