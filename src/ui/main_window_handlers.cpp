#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "base/paths.h"
#include "convert/comma_text.h"
#include "convert/run_control.h"
#include "convert/walk_order.h"
#include "image/jpeg_file.h"
#include "image/logo_file.h"
#include "image/logo_formats.h"
#include "settings/settings_file.h"
#include "settings/settings_table.h"
#include "ui/about_box.h"
#include "ui/dialogs.h"
#include "ui/error_report.h"
#include "ui/folder_choice.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/preview_render.h"

namespace quelmar {

namespace {

constexpr std::uint32_t kLogoLoaded = 1;
constexpr std::uint32_t kSampleLoaded = 2;

const FileDialogRequest kLogoDialog{
    "すかし画像 (" + LogoFormatPatterns() + ")", std::string(kLogoFormats[0].extension), {}, {}};
// One entry for both suffixes, so that a ".jpeg" file is never hidden by the filter.
std::string SampleFilter() {
  std::string patterns;
  for (const char* suffix : kWalkSuffixes) {
    patterns += (patterns.empty() ? "*" : " *") + std::string(suffix);
  }
  return "JPEG イメージファイル (" + patterns + ")";
}

}  // namespace

void TForm1::FormShow() {
  run_.FStop = 1;
  if (settings_path_.empty()) {
    LoadSettings(*this);
  } else {
    LoadSettings(*this, settings_path_);
  }
  Image1->DrawText(2, 2, QString::fromUtf8(kPreviewPrompt));
  ApplySettingsToControls();
  if (about_ != nullptr) about_->ShowModal();
}

void TForm1::ApplySettingsToControls() {
  TrackBar1->setValue(fields_.stamp.FAlpha);
  TrackBar2->setValue(fields_.FQuality);
  TrackBar3->setValue(fields_.stamp.FThreshold);
  EnableThresholdControls();
  SetPosition(fields_.stamp.FPosition);
  SetMaskType(fields_.stamp.FMaskType);
  if (FileExists(fields_.FSampleJPEG)) {
    LoadSample(fields_.FSampleJPEG);
    RefreshPreview();
  }
}

void TForm1::SetPosition(std::int32_t position) {
  // One button for each position code, from the lowest.
  QRadioButton* const buttons[] = {RB_LT, RB_MT, RB_RT, RB_LB, RB_MB, RB_RB};
  const SettingSpec& setting = SettingOf("Position");
  const std::int32_t index = position - setting.minimum;
  const bool offered = position <= setting.maximum && index >= 0 && index < std::ssize(buttons);
  (offered ? buttons[index] : buttons[0])->setChecked(true);
}

void TForm1::SetMaskType(std::int32_t mask_type) {
  switch (mask_type) {
    case mkBlackWhite:
      RadioButton2->setChecked(true);
      break;
    case mkWhiteOnBlack:
      RadioButton1->setChecked(true);
      break;
    default:
      RadioButton3->setChecked(true);
      break;
  }
}

void TForm1::OnEdit1Changed() {
  ShowLogoProblem({});
  try {
    Edit1Change();
  } catch (const std::exception& error) {
    ShowLogoProblem(ErrorReportText(error.what()));
    // Typing passes through names of files that are no logo: no box takes the next keystroke.
    if (setting_text_) quelmar::ReportError(dialogs_, error);
  }
}

void TForm1::ShowLogoProblem(const std::string& problem) {
  const QString text =
      problem.empty()
          ? QString()
          : QString::fromStdString(problem + "（ロゴ画像に使える形式: " + LogoFormatNames() + "）");
  LogoStatus->setToolTip(text);
  LogoStatus->setText(
      LogoStatus->fontMetrics().elidedText(text, Qt::ElideMiddle, LogoStatus->width()));
  Edit1->setToolTip(text);
  // The field itself is marked, so the problem is seen where the path is typed.
  QPalette palette = Edit1->palette();
  palette.setColor(QPalette::Base, problem.empty()
                                       ? QApplication::palette(Edit1).color(QPalette::Base)
                                       : QColor(0xFF, 0xE4, 0xE4));
  Edit1->setPalette(palette);
}

void TForm1::EnableForRun(bool running) {
  for (QWidget* control :
       std::initializer_list<QWidget*>{Edit1, BitBtn2, Edit4, Edit2, BitBtn3, Edit3, BitBtn4,
                                       BitBtn5, BitBtn6, OptionsButton}) {
    control->setEnabled(!running);
  }
}

void TForm1::ShowExclusions() {
  QString names;
  for (const std::string& name : ParseCommaText(Edit4->text().toStdString())) {
    // An empty item names no folder.
    if (!name.empty()) names += QStringLiteral("「%1」").arg(QString::fromStdString(name));
  }
  const QString text =
      Edit4->text().trimmed().isEmpty()
          ? QString()
          : QStringLiteral("読み込まない: ") + (names.isEmpty() ? QStringLiteral("なし") : names);
  ExclusionNote->setToolTip(text);
  ExclusionNote->setText(
      ExclusionNote->fontMetrics().elidedText(text, Qt::ElideRight, ExclusionNote->width()));
}

void TForm1::Edit1Change() {
  const std::string path = Edit1->text().toStdString();
  if (FileExists(path)) {
    LoadLogo(path);
  } else {
    FLoaded &= ~kLogoLoaded;
  }
  RefreshPreview();
}

void TForm1::LoadLogo(const std::string& path) {
  LoadLogoFile(path, run_.FMark);
  FLoaded |= kLogoLoaded;
}

void TForm1::BitBtn2Click() {
  FileDialogRequest request = kLogoDialog;
  request.initial_file = Edit1->text().toStdString();
  request.initial_folder = FolderPart(request.initial_file);
  const std::optional<std::string> chosen = dialogs_.OpenFile(request);
  if (!chosen) return;
  SetEditText(EditField::kLogo, *chosen);
  LoadLogo(*chosen);
  RefreshPreview();
}

void TForm1::BitBtn3Click() {
  if (const std::optional<std::string> folder =
          dialogs_.ChooseFolder(Edit2->text().toStdString())) {
    SetEditText(EditField::kSource, WithTrailingSeparator(*folder));
  }
}

void TForm1::BitBtn4Click() {
  if (const std::optional<std::string> folder =
          dialogs_.ChooseFolder(Edit3->text().toStdString())) {
    SetEditText(EditField::kOutput, WithTrailingSeparator(*folder));
  }
}

void TForm1::TrackBar1Change() {
  fields_.stamp.FAlpha = TrackBar1->value();
  RefreshPreview();
}

void TForm1::TrackBar2Change() {
  fields_.FQuality = TrackBar2->value();
}

void TForm1::TrackBar3Change() {
  fields_.stamp.FThreshold = static_cast<std::uint8_t>(TrackBar3->value() & 0xFF);
  RefreshPreview();
}

void TForm1::RB_LTClick() {
  ChoosePosition(kTopLeft);
}

void TForm1::RB_MTClick() {
  ChoosePosition(kTopCentre);
}

void TForm1::RB_RTClick() {
  ChoosePosition(kTopRight);
}

void TForm1::RB_LBClick() {
  ChoosePosition(kBottomLeft);
}

void TForm1::RB_MBClick() {
  ChoosePosition(kBottomCentre);
}

void TForm1::RB_RBClick() {
  ChoosePosition(kBottomRight);
}

void TForm1::RadioButton1Click() {
  ChooseMaskType(mkWhiteOnBlack);
}

void TForm1::RadioButton2Click() {
  ChooseMaskType(mkBlackWhite);
}

void TForm1::RadioButton3Click() {
  ChooseMaskType(mkColor);
}

void TForm1::ChoosePosition(std::int32_t position) {
  fields_.stamp.FPosition = position;
  RefreshPreview();
}

void TForm1::ChooseMaskType(std::int32_t mask_type) {
  fields_.stamp.FMaskType = mask_type;
  EnableThresholdControls();
  RefreshPreview();
}

void TForm1::EnableThresholdControls() {
  // Only the one ink of mask type 2 is chosen by the threshold.
  const bool used = fields_.stamp.FMaskType == mkWhiteOnBlack;
  TrackBar3->setEnabled(used);
  Label9->setEnabled(used);
}

void TForm1::Image1Click() {
  click_toggled_ = false;
  if ((FLoaded & kSampleLoaded) == 0) return ChooseSample();
  overview_ = !overview_;
  click_toggled_ = true;
  RefreshPreview();
}

void TForm1::Image1DblClick() {
  // The click before it opened the sample dialog already when no sample was shown.
  if (!click_toggled_) return;
  click_toggled_ = false;
  overview_ = !overview_;
  RefreshPreview();
  ChooseSample();
}

void TForm1::ChooseSample() {
  // A dialog would hold a run up while it is open; a sample can still be dropped.
  if (run_active_) return;
  FileDialogRequest request{SampleFilter(), "jpg", sample_dialog_file_,
                            FolderPart(fields_.FSampleJPEG)};
  const std::optional<std::string> chosen = dialogs_.OpenFile(request);
  if (!chosen) return;
  sample_dialog_file_ = *chosen;
  fields_.FSampleJPEG = *chosen;
  LoadSample(fields_.FSampleJPEG);
  RefreshPreview();
}

void TForm1::LoadSample(const std::string& path) {
  const JpegFile jpeg = ReadJpegFile(path);
  overview_view_.Forget();
  // The sample is shown as a run would stamp it: upright.
  const PictureSize upright = UprightSize(jpeg);
  FSample.SetSize(upright.width, upright.height);
  DecodeJpeg(jpeg, FSample, jpeg.Orientation);
  FLoaded |= kSampleLoaded;
}

void TForm1::RefreshPreview() {
  if ((FLoaded & kSampleLoaded) == 0) return;
  const SharedLogo* logo = (FLoaded & kLogoLoaded) != 0 ? &run_.FMark : nullptr;
  const StampSettings settings = CurrentStampSettings();
  const PreviewPatch patch =
      overview_ ? overview_view_.Render(FSample, logo, settings, Image1->width(), Image1->height())
                : RenderPreview(FSample, logo, settings, Image1->width(), Image1->height());
  // Only the current sample shows: nothing of an earlier one, or of the prompt, stays around it.
  Image1->Clear();
  Image1->DrawRaster(patch.pixels, patch.pane_x, patch.pane_y);
}

void TForm1::CompleteFolderFields() {
  for (QLineEdit* edit : {Edit2, Edit3}) {
    const std::string text = edit->text().toStdString();
    const std::string kept = WithFolderSeparator(text);
    if (kept != text) edit->setText(QString::fromStdString(kept));
  }
}

void TForm1::BitBtn1Click() {
  // A click during a run only asks it to stop, also once a stop has been asked for: a second
  // run never starts inside the first.
  if (run_active_) {
    run_.FStop = 1;
    return;
  }
  // The folders as typed survive the run's checks and the save at its end.
  CompleteFolderFields();
  ask_no_more_ = false;
  quelmar::BitBtn1Click(*this);
}

void TForm1::BitBtn5Click() {
  if (about_ != nullptr) about_->ShowModal();
}

void TForm1::BitBtn6Click() {
  SaveSettings();
}

void TForm1::BitBtn7Click() {
  close();
}

void TForm1::OptionsClick() {
  if (dialogs_.EditOptions(fields_)) RefreshPreview();
}

bool TForm1::FormCloseQuery() {
  return dialogs_.AskConfirmation(kExitQuestion);
}

}  // namespace quelmar
