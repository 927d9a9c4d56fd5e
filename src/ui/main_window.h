#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <utility>

#include "convert/run_host.h"
#include "image/raster24.h"
#include "settings/settings_host.h"
#include "settings/settings_table.h"
#include "ui/drop_routing.h"
#include "ui/preview_overview.h"

class QDropEvent;
class QFrame;
class QMimeData;
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

// The convert button's text for a caption ("変換" or "キャンセル"): the caption and its
// mnemonic, Alt+C.
QString ConvertButtonText(const std::string& caption);

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

  // Takes paths as if dropped on the window, in order: a folder becomes the source, a logo file
  // the logo, a JPEG the preview's sample; anything else is passed over. For the paths the
  // program is opened with. Errors are reported, never thrown.
  void OpenPaths(const QStringList& paths);

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
  // A click on the pane opens the sample dialog while no sample is shown; afterwards it switches
  // between the 1:1 view around the logo and the overview of the whole sample. A double click
  // chooses another sample (the click before it is undone).
  void Image1Click();
  void Image1DblClick();
  void BitBtn1Click();
  void BitBtn5Click();
  void BitBtn6Click();
  void BitBtn7Click();
  // The 詳細設定 dialog over the settings it shows; on OK the preview is drawn again with them.
  void OptionsClick();
  bool FormCloseQuery();

  void ApplySettingsToControls();
  void LoadLogo(const std::string& path);
  // Decodes the JPEG at path into FSample, upright (its EXIF orientation applied, as a run
  // stamps it); errors of reading and decoding pass out as they are.
  void LoadSample(const std::string& path);
  void RefreshPreview();
  // True while the pane shows the whole sample shrunk to fit, false for the 1:1 view.
  bool ShowsOverview() const { return overview_; }

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
  std::vector<std::pair<std::string, std::string>> OutputSettings() const override {
    return OutputSettingsOf(fields_);
  }
  RunSelection Selection() const override { return {std::nullopt, fields_.FSkipUpToDate != 0}; }
  bool KeepMetadata() const override { return fields_.FKeepMetadata != 0; }
  std::int32_t ProgressMax() const override;
  void SetProgressMax(std::int32_t value) override;
  std::int32_t ProgressPosition() const override;
  void SetProgressPosition(std::int32_t value) override;
  void SetButtonCaption(const std::string& caption) override;
  void ProcessEvents() override;
  void ShowMessage(const std::string& text) override;
  // The question after a failed file, with the file's path and the reason below it; the user
  // may go on without being asked again for the rest of the run.
  bool AskYesNo(const std::string& text) override;
  // The end's sentence and, on its second line, the run's counts.
  void ShowRunEnd(const std::string& text, const RunTally& tally) override;
  void FileFinished(const FileOutcome& outcome) override { last_outcome_ = outcome; }
  void WhileWaiting() override { ProcessEvents(); }
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
  // Under Edit1: why the logo it names could not be read, and which formats a logo may be.
  QLabel* LogoStatus;
  QPushButton* BitBtn2;
  QLabel* Label8;
  QLineEdit* Edit4;
  // Under Edit4: the folder names as a run will understand them.
  QLabel* ExclusionNote;
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
  // "詳細…": opens the 詳細設定 dialog.
  QPushButton* OptionsButton;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Drops on the edit fields, which take a folder or the logo instead of the text of a path,
  // and on the preview.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void CreateControls();
  void ConnectHandlers();
  // Each slider shows its value, and the converter's option that sets it, as its tool tip.
  void ConnectSliderValues();
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
  // Gives the source and output fields their trailing separator when they name an existing
  // folder without one, so that the settings check keeps the folders the user typed.
  void CompleteFolderFields();
  // The sample dialog; a chosen sample is loaded and shown.
  void ChooseSample();
  // What a drop of data on site is used for, and the dropped path; kNone during a run for
  // anything but a sample.
  std::pair<DropUse, std::string> DropOf(const QMimeData* data, DropSite site) const;
  // The site of a drop on target: one of the edit fields, or the window.
  DropSite SiteOf(const QObject* target) const;
  // Puts path where use says, as if the user had typed or chosen it.
  void TakePath(const std::string& path, DropUse use);
  // Accepts a drag or drop event on site when it carries something to take; true if it did.
  bool HandleDrop(QDropEvent* event, DropSite site);
  QLineEdit* EditOf(EditField field) const;
  template <typename Handler>
  void Report(Handler&& handler);
  // Edit1's change: a logo that cannot be read is shown beside the field (the general error
  // report, a modal box, only when the program set the text, not while the user types).
  void OnEdit1Changed();
  // The controls that would change what a run reads, or open a dialog that holds the run up,
  // are disabled during a run; the sliders and the radio buttons stay live.
  void EnableForRun(bool running);
  // The progress bar's "n / total" while a run goes on and knows its files.
  void ShowProgressText();
  // Shows under Edit4 the names its text gives.
  void ShowExclusions();
  // Marks Edit1 and shows problem under it; an empty problem clears the mark.
  void ShowLogoProblem(const std::string& problem);

  Dialogs& dialogs_;
  std::string settings_path_;
  TAboutBox* about_ = nullptr;

  RunState run_;           // FMark, FExceptFolders, FStop
  SettingsFields fields_;  // the stamp, FQuality, FSampleJPEG and the options
  std::string sample_dialog_file_;
  PreviewOverview overview_view_;
  bool overview_ = false;
  bool click_toggled_ = false;  // the last click on the pane switched the view
  bool shown_ = false;
  bool setting_text_ = false;  // SetEditText is changing a field's text
  bool run_active_ = false;    // a run is going on: the button says "キャンセル"
  bool ask_no_more_ = false;   // the user chose to go on past every failed file of this run
  FileOutcome last_outcome_;   // the file the question after a failure is about
  bool closed_ = false;
};

}  // namespace quelmar
