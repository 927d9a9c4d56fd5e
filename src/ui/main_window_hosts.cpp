#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "convert/run_control.h"
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
  setting_text_ = true;
  EditOf(field)->setText(QString::fromStdString(text));
  setting_text_ = false;
}

std::int32_t TForm1::ProgressMax() const {
  return ProgressBar1->maximum();
}

void TForm1::SetProgressMax(std::int32_t value) {
  ProgressBar1->setMaximum(value);
  ShowProgressText();
}

std::int32_t TForm1::ProgressPosition() const {
  return ProgressBar1->value();
}

void TForm1::SetProgressPosition(std::int32_t value) {
  ProgressBar1->setValue(value);
  ShowProgressText();
}

void TForm1::ShowProgressText() {
  // Before the run has listed its files the maximum is the reset 1 and nothing is counted yet.
  ProgressBar1->setTextVisible(run_active_ &&
                               (ProgressBar1->maximum() > 1 || ProgressBar1->value() > 0));
}

void TForm1::SetButtonCaption(const std::string& caption) {
  // The caption says whether a run is going on: "キャンセル" from its start to its end.
  run_active_ = caption == kCancelCaption;
  EnableForRun(run_active_);
  ShowProgressText();
  BitBtn1->setText(ConvertButtonText(caption));
}

void TForm1::ProcessEvents() {
  QCoreApplication::processEvents();
}

void TForm1::ShowMessage(const std::string& text) {
  if (!closed_) dialogs_.ShowMessage(text);
}

bool TForm1::AskYesNo(const std::string& text) {
  // Once the window has closed, a run still going on only winds down.
  if (closed_) return false;
  if (ask_no_more_) return true;
  const GoOnAnswer answer = dialogs_.AskToGoOn(text, DetailsOf(last_outcome_));
  ask_no_more_ = answer == GoOnAnswer::kYesToAll;
  return answer != GoOnAnswer::kNo;
}

void TForm1::ShowRunEnd(const std::string& text, const RunTally& tally) {
  ShowMessage(text + "\n" + tally.Text());
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
  CompleteFolderFields();
  if (settings_path_.empty()) {
    quelmar::SaveSettings(*this);
  } else {
    quelmar::SaveSettings(*this, settings_path_);
  }
}

}  // namespace quelmar
