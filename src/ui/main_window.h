#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "convert/run_host.h"
#include "image/raster24.h"
#include "settings/settings_host.h"

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace quelmar {

class Dialogs;
class PreviewPane;
class TAboutBox;

// The prompt drawn on the empty preview pane.
inline constexpr const char* kPreviewPrompt = "ここをクリックしてサンプル画像を指定してください";
inline constexpr const char* kExitQuestion = "ミルテカを終了しますか？";

// The main window: every piece of the program's state, the controls, and the handlers that
// dispatch each control's event to the operation it starts. It is the host of the settings
// file and of a conversion run.
class TForm1 : public QWidget, public SettingsHost, public RunHost {
  Q_OBJECT

 public:
  // settings_path empty: the settings file where SettingsPath() puts it.
  explicit TForm1(Dialogs& dialogs, std::string settings_path = {});
  ~TForm1() override;

  // The about window, created after this one; shown by FormShow and BitBtn5Click.
  void SetAboutBox(TAboutBox* about) { about_ = about; }

  // Event handlers. Each raises its errors; the controls' signals run them through the general
  // error report.
  void FormShow();
  void Edit1Change();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void TrackBar1Change();
  void TrackBar2Change();
  void TrackBar3Change();
  void RB_LTClick();
  void RB_MTClick();
  void RB_RTClick();
  void RB_LBClick();
  void RB_MBClick();
  void RB_RBClick();
  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void Image1Click();
  void BitBtn1Click();
  void BitBtn5Click();
  void BitBtn6Click();
  void BitBtn7Click();
  bool FormCloseQuery();

  void ApplySettingsToControls();
  void LoadLogo(const std::string& path);
  // Decodes the JPEG at path into FSample, upright (its EXIF orientation applied, as a run
  // stamps it); errors of reading and decoding pass out as they are.
  void LoadSample(const std::string& path);
  void RefreshPreview();

  // SettingsHost
  std::string EditText(EditField field) const override;
  void SetEditText(EditField field, const std::string& text) override;
  SettingsFields& Fields() override { return fields_; }

  // RunHost (EditText serves both hosts)
  RunState& State() override { return run_; }
  StampSettings CurrentStampSettings() const override { return fields_.stamp; }
  std::int32_t Quality() const override { return fields_.FQuality; }
  int Jobs() const override { return fields_.FJobs; }
  bool Lossless() const override { return fields_.FLossless != 0; }
  bool KeepMetadata() const override { return fields_.FKeepMetadata != 0; }
  std::int32_t ProgressMax() const override;
  void SetProgressMax(std::int32_t value) override;
  std::int32_t ProgressPosition() const override;
  void SetProgressPosition(std::int32_t value) override;
  void SetButtonCaption(const std::string& caption) override;
  void ProcessEvents() override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void ReportError(const std::exception& error) override;
  void Beep() override;
  void Focus(EditField field) override;
  void SaveSettings() override;

  // The preview sample, never stamped, and the load bits: bit 0 a logo is loaded, bit 1 a
  // sample is loaded. The other fields live in State() and Fields().
  Raster24 FSample;
  std::uint32_t FLoaded = 0;

  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* BitBtn2;
  QLabel* Label8;
  QLineEdit* Edit4;
  QFrame* Bevel2;
  QLabel* Label2;
  QLineEdit* Edit2;
  QPushButton* BitBtn3;
  QLabel* Label3;
  QLineEdit* Edit3;
  QPushButton* BitBtn4;
  QFrame* Panel1;
  QLabel* Panel1Caption;
  QRadioButton* RB_LT;
  QRadioButton* RB_MT;
  QRadioButton* RB_RT;
  QRadioButton* RB_LB;
  QRadioButton* RB_MB;
  QRadioButton* RB_RB;
  QLabel* Label4;
  QSlider* TrackBar1;
  QLabel* Label5;
  QLabel* Label6;
  QSlider* TrackBar2;
  QLabel* Label7;
  QLabel* Label9;
  QSlider* TrackBar3;
  QProgressBar* ProgressBar1;
  QFrame* Panel2;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QRadioButton* RadioButton3;
  PreviewPane* Image1;
  QFrame* Bevel1;
  QPushButton* BitBtn5;
  QPushButton* BitBtn6;
  QPushButton* BitBtn1;
  QPushButton* BitBtn7;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void CreateControls();
  void ConnectHandlers();
  void SetTabOrder();
  // Checks the radio button of a position or mask type code (that of code 0 for a code
  // outside the range), which runs its click handler when it was not checked yet.
  void SetPosition(std::int32_t position);
  void SetMaskType(std::int32_t mask_type);
  // The radio buttons' clicks: the new code, and the preview redrawn.
  void ChoosePosition(std::int32_t position);
  void ChooseMaskType(std::int32_t mask_type);
  // The threshold slider and its caption are live only for the mask type that uses them.
  void EnableThresholdControls();
  QLineEdit* EditOf(EditField field) const;
  template <typename Handler>
  void Report(Handler&& handler);

  Dialogs& dialogs_;
  std::string settings_path_;
  TAboutBox* about_ = nullptr;

  RunState run_;           // FMark, FExceptFolders, FStop
  SettingsFields fields_;  // the stamp, FQuality, FSampleJPEG, FJobs
  std::string sample_dialog_file_;
  bool shown_ = false;
  bool closed_ = false;
};

}  // namespace quelmar
