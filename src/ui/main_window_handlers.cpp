#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "base/paths.h"
#include "convert/run_control.h"
#include "image/jpeg_file.h"
#include "image/logo_file.h"
#include "settings/settings_file.h"
#include "settings/settings_table.h"
#include "ui/about_box.h"
#include "ui/dialogs.h"
#include "ui/folder_choice.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/preview_render.h"

namespace quelmar {

namespace {

constexpr std::uint32_t kLogoLoaded = 1;
constexpr std::uint32_t kSampleLoaded = 2;

const FileDialogRequest kLogoDialog{"すかし画像 (*.bmp *.png)", "bmp", {}};
const FileDialogRequest kSampleDialog{
    "JPEG イメージファイル (*.jpg);;JPEG イメージファイル (*.jpeg)", "jpg", {}};

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
  const std::optional<std::string> chosen = dialogs_.OpenFile(request);
  if (!chosen) return;
  SetEditText(EditField::kLogo, *chosen);
  LoadLogo(*chosen);
  RefreshPreview();
}

void TForm1::BitBtn3Click() {
  if (const std::optional<std::string> folder = dialogs_.ChooseFolder()) {
    SetEditText(EditField::kSource, WithTrailingSeparator(*folder));
  }
}

void TForm1::BitBtn4Click() {
  if (const std::optional<std::string> folder = dialogs_.ChooseFolder()) {
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
  FileDialogRequest request = kSampleDialog;
  request.initial_file = sample_dialog_file_;
  const std::optional<std::string> chosen = dialogs_.OpenFile(request);
  if (!chosen) return;
  sample_dialog_file_ = *chosen;
  fields_.FSampleJPEG = *chosen;
  LoadSample(fields_.FSampleJPEG);
  RefreshPreview();
}

void TForm1::LoadSample(const std::string& path) {
  const JpegFile jpeg = ReadJpegFile(path);
  // The sample is shown as a run would stamp it: upright.
  const PictureSize upright = UprightSize(jpeg);
  FSample.SetSize(upright.width, upright.height);
  DecodeJpeg(jpeg, FSample, jpeg.Orientation);
  FLoaded |= kSampleLoaded;
}

void TForm1::RefreshPreview() {
  if ((FLoaded & kSampleLoaded) == 0) return;
  const SharedLogo* logo = (FLoaded & kLogoLoaded) != 0 ? &run_.FMark : nullptr;
  const PreviewPatch patch =
      RenderPreview(FSample, logo, CurrentStampSettings(), Image1->width(), Image1->height());
  Image1->DrawRaster(patch.pixels, patch.pane_x, patch.pane_y);
}

void TForm1::BitBtn1Click() {
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

bool TForm1::FormCloseQuery() {
  return dialogs_.AskConfirmation(kExitQuestion);
}

}  // namespace quelmar
