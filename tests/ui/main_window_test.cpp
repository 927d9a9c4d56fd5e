#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "fake_dialogs.h"
#include "image/bitmap_file.h"
#include "image/jpeg_file.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"
#include "ui/about_box.h"
#include "ui/error_report.h"
#include "ui/preview_pane.h"

namespace quelmar {
namespace {

using namespace fixtures;

// An about window that only records being shown.
class RecordingAboutBox : public TAboutBox {
 public:
  void ShowModal() override {
    ++shows;
    if (on_show) on_show();
  }
  int shows = 0;
  std::function<void()> on_show;
};

class MainWindow : public ::testing::Test {
 protected:
  void Start() {
    form = std::make_unique<TForm1>(dialogs, ini);
    form->SetAboutBox(&about);
    form->show();
  }

  void WriteSettings(const std::string& body) { WriteText(ini, "[Setup]\r\n" + body); }

  std::string Logo(const std::string& name = "ロゴ.bmp") {
    const std::string path = temp / name;
    WriteBytes(path, Bmp24Bytes(EllipseLogo(60, 30)));
    return path;
  }

  std::string Sample(std::int32_t width, std::int32_t height, const std::string& name) {
    const std::string path = temp / name;
    WriteBytes(path, JpegBytes(NoisyRaster(width, height, 11)));
    return path;
  }

  // True when the pane's pixel (px, py) shows the unstamped sample's pixel (sx, sy).
  bool ShowsSamplePixel(int px, int py, int sx, int sy) const {
    const std::uint8_t* p = form->FSample.Row(sy) + 3 * sx;
    return form->Image1->Surface().pixel(px, py) == qRgb(p[2], p[1], p[0]);
  }

  bool StampSettingsAre(std::int32_t position, std::int32_t mask_type) {
    const StampSettings settings = form->CurrentStampSettings();
    return settings.FPosition == position && settings.FMaskType == mask_type;
  }

  TempFolder temp;
  std::string ini = temp / "Quelmar.ini";
  FakeDialogs dialogs;
  RecordingAboutBox about;
  std::unique_ptr<TForm1> form;
};

TEST_F(MainWindow, StartsUpInOrderAndShowsTheSplashLastBeforeTheWindowAppears) {
  const std::string logo = Logo();
  const std::string sample = Sample(300, 120, "sample.jpg");
  WriteSettings("MarkBitmap=" + logo + "\r\nPosition=7\r\nAlphaChannel=999\r\nJPEGQuality=0\r\n" +
                "B/W=300\r\nMaskType=2\r\nSampleJPEG=" + sample + "\r\n");
  bool checked_at_splash = false;
  about.on_show = [&] {
    checked_at_splash = true;
    EXPECT_EQ(form->State().FStop, 1);
    EXPECT_EQ(form->Edit1->text().toStdString(), logo);
    EXPECT_EQ(form->FLoaded, 3u);
    EXPECT_TRUE(form->RB_RB->isChecked());
    EXPECT_TRUE(form->RadioButton1->isChecked());
    EXPECT_TRUE(StampSettingsAre(5, 2));
    EXPECT_EQ(form->Fields().stamp.FAlpha, 256);
    EXPECT_EQ(form->Fields().FQuality, 1);
    EXPECT_EQ(form->Fields().stamp.FThreshold, 255);
    EXPECT_TRUE(form->TrackBar3->isEnabled());
    EXPECT_TRUE(form->Label9->isEnabled());
    EXPECT_TRUE(form->Image1->HasSurface());
    ASSERT_NE(form->windowHandle(), nullptr);
    EXPECT_FALSE(form->windowHandle()->isVisible());
  };

  Start();

  EXPECT_TRUE(checked_at_splash);
  EXPECT_EQ(about.shows, 1);
  EXPECT_TRUE(form->windowHandle()->isVisible());
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindow, StartsWithTheDefaultsWithoutASettingsFileAndCreatesNone) {
  Start();
  EXPECT_EQ(form->Fields().stamp.FAlpha, 127);
  EXPECT_EQ(form->TrackBar1->value(), 127);
  EXPECT_EQ(form->TrackBar2->value(), 100);
  EXPECT_EQ(form->TrackBar3->value(), 250);
  EXPECT_TRUE(form->RB_LT->isChecked());
  EXPECT_TRUE(form->RadioButton3->isChecked());
  EXPECT_FALSE(form->TrackBar3->isEnabled());
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(MainWindow, ReportsAnErrorOfTheStartUpAndStillShowsTheWindow) {
  const std::string not_a_jpeg = temp / "notes.jpg";
  WriteText(not_a_jpeg, "plain text, not a picture");
  WriteSettings("SampleJPEG=" + not_a_jpeg + "\r\n");

  Start();

  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(about.shows, 0);  // the start-up ended at the failing step
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->FLoaded & 2u, 0u);
}

TEST_F(MainWindow, DrawsThePromptOnAWhitePaneAndKeepsItAroundASmallSample) {
  Start();
  const QImage prompt = form->Image1->Surface();
  ASSERT_EQ(prompt.size(), QSize(409, 153));
  bool ink_in_prompt = false;
  for (int x = 2; x < 200; ++x) ink_in_prompt |= prompt.pixel(x, 8) != qRgb(255, 255, 255);
  EXPECT_TRUE(ink_in_prompt);
  EXPECT_EQ(prompt.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(prompt.pixel(300, 120), qRgb(255, 255, 255));

  dialogs.files.push_back(Sample(200, 100, "small.jpg"));
  form->RB_RB->click();
  QTest::mouseClick(form->Image1, Qt::LeftButton);

  const QImage shown = form->Image1->Surface();
  EXPECT_TRUE(ShowsSamplePixel(209, 53, 0, 0));
  EXPECT_TRUE(ShowsSamplePixel(408, 152, 199, 99));
  EXPECT_EQ(shown.copy(0, 0, 209, 53), prompt.copy(0, 0, 209, 53));

  form->RB_LT->click();
  EXPECT_TRUE(ShowsSamplePixel(0, 0, 0, 0));
  EXPECT_TRUE(ShowsSamplePixel(300, 120, 300 - 209, 120 - 53));  // the earlier drawing stays
}

TEST_F(MainWindow, LeavesThePromptAloneWhileNoSampleIsLoaded) {
  Start();
  const QImage prompt = form->Image1->Surface();

  form->TrackBar1->setValue(200);
  form->RB_MB->click();
  form->Edit1->setText(QString::fromStdString(Logo()));

  EXPECT_EQ(form->Image1->Surface(), prompt);
  EXPECT_EQ(form->FLoaded, 1u);
}

TEST_F(MainWindow, AlignsALargeSampleWithTheLogoCornerTruncatingTowardZero) {
  Start();
  dialogs.files.push_back(Sample(1024, 768, "large.jpg"));
  form->RB_MB->click();
  QTest::mouseClick(form->Image1, Qt::LeftButton);

  EXPECT_TRUE(ShowsSamplePixel(0, 0, 307, 615));
  EXPECT_TRUE(ShowsSamplePixel(408, 152, 715, 767));

  form->RB_RB->click();
  EXPECT_TRUE(ShowsSamplePixel(0, 0, 615, 615));
  form->RB_MT->click();
  EXPECT_TRUE(ShowsSamplePixel(0, 0, 307, 0));
}

// A portrait photo stored as landscape pixels with an orientation is shown as a run would stamp
// it: upright.
TEST_F(MainWindow, ShowsATurnedSampleUpright) {
  Start();
  const std::vector<std::uint8_t> plain = EncodeJpeg(NoisyRaster(200, 100, 5), 90, false);
  const std::string path = temp / "portrait.jpg";
  WriteBytes(path, WithSegments(plain, {ExifSegment(OrientationTiff(8, true))}));
  dialogs.files.push_back(path);
  QTest::mouseClick(form->Image1, Qt::LeftButton);

  Raster24 stored;
  DecodeJpeg(ParseJpegFile(plain), stored);
  const Raster24 upright = UprightByDefinition(stored, 8);
  ASSERT_EQ(form->FSample.width(), 100);
  ASSERT_EQ(form->FSample.height(), 200);
  for (std::int32_t y = 0; y < 200; ++y) {
    ASSERT_EQ(0, std::memcmp(form->FSample.Row(y), upright.Row(y), 300)) << "row " << y;
  }
  // At the bottom right, the 100 x 200 sample lands at (309, -47).
  form->RB_RB->click();
  EXPECT_TRUE(ShowsSamplePixel(408, 152, 99, 199));
  EXPECT_TRUE(ShowsSamplePixel(309, 0, 0, 47));
}

TEST_F(MainWindow, LoadsAndDropsTheLogoAsItsPathIsTypedAndDeleted) {
  Start();
  dialogs.files.push_back(Sample(409, 153, "pane.jpg"));
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  const QImage plain = form->Image1->Surface();
  const std::string logo = Logo("logo.bmp");  // key clicks type ASCII only
  form->TrackBar1->setValue(256);

  const QString typed = QString::fromStdString(logo);
  QTest::keyClicks(form->Edit1, typed.left(typed.size() - 1));
  EXPECT_EQ(form->FLoaded & 1u, 0u);
  QTest::keyClicks(form->Edit1, typed.right(1));
  EXPECT_EQ(form->FLoaded & 1u, 1u);
  EXPECT_NE(form->Image1->Surface(), plain);

  QTest::keyClick(form->Edit1, Qt::Key_Backspace);
  EXPECT_EQ(form->FLoaded & 1u, 0u);
  EXPECT_EQ(form->Image1->Surface(), plain);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindow, EndsWithTheSamePictureWhetherTheDensityMovesOnceOrBackAndForth) {
  Start();
  dialogs.files.push_back(Sample(409, 153, "pane.jpg"));
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  form->Edit1->setText(QString::fromStdString(Logo()));

  form->TrackBar1->setValue(180);
  const QImage once = form->Image1->Surface();
  form->TrackBar1->setValue(20);
  form->TrackBar1->setValue(256);
  form->TrackBar1->setValue(180);

  EXPECT_EQ(form->Image1->Surface(), once);
}

TEST_F(MainWindow, RedrawsForTheDensityButNotForTheQuality) {
  Start();
  dialogs.files.push_back(Sample(409, 153, "pane.jpg"));
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  const qint64 drawn = form->Image1->Surface().cacheKey();  // changes with every drawing

  form->TrackBar2->setValue(50);
  EXPECT_EQ(form->Image1->Surface().cacheKey(), drawn);

  form->TrackBar1->setValue(50);
  EXPECT_NE(form->Image1->Surface().cacheKey(), drawn);
}

TEST_F(MainWindow, ClampsSliderPositionsAndWritesThemIntoTheFields) {
  Start();
  form->TrackBar1->setValue(999);
  form->TrackBar2->setValue(0);
  form->TrackBar3->setValue(300);
  EXPECT_EQ(form->Fields().stamp.FAlpha, 256);
  EXPECT_EQ(form->Fields().FQuality, 1);
  EXPECT_EQ(form->Quality(), 1);
  EXPECT_EQ(form->Fields().stamp.FThreshold, 255);

  QTest::keyClick(form->TrackBar1, Qt::Key_Left);  // one line step
  EXPECT_EQ(form->Fields().stamp.FAlpha, 236);
}

TEST_F(MainWindow, EnablesTheThresholdOnlyForWhiteOnBlack) {
  Start();
  form->RadioButton1->click();
  EXPECT_TRUE(StampSettingsAre(0, mkWhiteOnBlack));
  EXPECT_TRUE(form->TrackBar3->isEnabled());
  EXPECT_TRUE(form->Label9->isEnabled());

  form->RadioButton2->click();
  EXPECT_TRUE(StampSettingsAre(0, mkBlackWhite));
  EXPECT_FALSE(form->TrackBar3->isEnabled());
  EXPECT_FALSE(form->Label9->isEnabled());

  form->RadioButton3->click();
  EXPECT_TRUE(StampSettingsAre(0, mkColor));
  EXPECT_FALSE(form->TrackBar3->isEnabled());
}

TEST_F(MainWindow, SetsThePositionFromItsRadioButtons) {
  Start();
  QRadioButton* const buttons[] = {form->RB_LT, form->RB_MT, form->RB_RT,
                                   form->RB_LB, form->RB_MB, form->RB_RB};
  for (int code : {3, 1, 5, 0, 4, 2}) {
    buttons[code]->click();
    EXPECT_EQ(form->Fields().stamp.FPosition, code);
  }
}

TEST_F(MainWindow, ReportsAnUnreadableLogoChosenInTheDialogTwice) {
  Start();
  const std::string bad = temp / "bad.bmp";
  WriteText(bad, "not a bitmap");
  dialogs.files.push_back(bad);

  form->BitBtn2->click();

  std::string report;
  try {
    Raster24 raster;
    LoadBitmapFile(bad, raster);
  } catch (const Error& error) {
    report = ErrorReportText(error.what());
  }
  ASSERT_FALSE(report.empty());
  ASSERT_EQ(dialogs.errors.size(), 2u);
  EXPECT_EQ(dialogs.errors[0], report);
  EXPECT_EQ(dialogs.errors[1], report);
  EXPECT_EQ(form->Edit1->text().toStdString(), bad);
  EXPECT_EQ(form->FLoaded & 1u, 0u);
}

TEST_F(MainWindow, OpensTheLogoDialogOnTheTypedNameAndLoadsTheChoice) {
  Start();
  form->Edit1->setText(QStringLiteral("/nowhere/old.bmp"));
  const std::string logo = Logo();
  dialogs.files.push_back(logo);

  form->BitBtn2->click();

  ASSERT_EQ(dialogs.file_requests.size(), 1u);
  EXPECT_EQ(dialogs.file_requests[0].initial_file, "/nowhere/old.bmp");
  EXPECT_EQ(dialogs.file_requests[0].filter, "すかし画像 (*.bmp *.png)");
  EXPECT_EQ(form->FLoaded & 1u, 1u);
  EXPECT_EQ(form->State().FMark.width(), 60);
}

TEST_F(MainWindow, RemembersTheLastSampleNameInTheSampleDialogOnly) {
  Start();
  const std::string sample = Sample(64, 64, "s.jpg");
  dialogs.files.push_back(sample);
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  QTest::mouseClick(form->Image1, Qt::LeftButton);  // cancelled

  ASSERT_EQ(dialogs.file_requests.size(), 2u);
  EXPECT_EQ(dialogs.file_requests[0].initial_file, "");
  EXPECT_EQ(dialogs.file_requests[0].filter,
            "JPEG イメージファイル (*.jpg);;JPEG イメージファイル (*.jpeg)");
  EXPECT_EQ(dialogs.file_requests[1].initial_file, sample);
  EXPECT_EQ(form->Fields().FSampleJPEG, sample);
}

TEST_F(MainWindow, KeepsThePaneWhenTheChosenSampleIsNotAJpeg) {
  Start();
  dialogs.files.push_back(Sample(409, 153, "pane.jpg"));
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  const QImage before = form->Image1->Surface();
  const std::string text = temp / "text.jpg";
  WriteText(text, "not a jpeg");
  dialogs.files.push_back(text);

  QTest::mouseClick(form->Image1, Qt::LeftButton);

  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(form->Image1->Surface(), before);
  EXPECT_EQ(form->Fields().FSampleJPEG, text);
}

TEST_F(MainWindow, PutsOneTrailingSeparatorAfterAChosenFolder) {
  Start();
  dialogs.folders.push_back(std::string("/srv/写真"));
  dialogs.folders.push_back(std::string("/"));
  dialogs.folders.push_back(std::nullopt);

  form->BitBtn3->click();
  form->BitBtn4->click();
  form->BitBtn4->click();  // cancelled: nothing changes

  EXPECT_EQ(form->Edit2->text().toStdString(), "/srv/写真/");
  EXPECT_EQ(form->Edit3->text().toStdString(), "/");
}

TEST_F(MainWindow, StaysOpenWhenTheExitIsNotConfirmed) {
  Start();
  dialogs.confirmation_answers.push_back(false);
  form->BitBtn7->click();
  EXPECT_TRUE(form->isVisible());
  ASSERT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_EQ(dialogs.confirmations[0], "ミルテカを終了しますか？");

  dialogs.confirmation_answers.push_back(true);
  form->BitBtn7->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(std::filesystem::exists(ini));  // closing does not save
}

// The number of workers has no control yet; the settings file sets it for the window's runs.
TEST_F(MainWindow, RunsWithTheJobsOfTheSettingsFile_AndKeepsThemOnSaving) {
  WriteSettings("Jobs=3\r\n");
  Start();
  EXPECT_EQ(form->Jobs(), 3);
  form->BitBtn6->click();
  EXPECT_NE(ReadText(ini).find("\r\nJobs=3\r\n"), std::string::npos);
}

TEST_F(MainWindow, SavesTheSettingsOnRequest) {
  Start();
  form->TrackBar1->setValue(99);
  form->Edit4->setText(QStringLiteral("除外,tmp"));
  form->BitBtn6->click();
  ASSERT_TRUE(std::filesystem::exists(ini));
  const std::string text = ReadText(ini);
  EXPECT_NE(text.find("AlphaChannel=99\r\n"), std::string::npos);
  EXPECT_NE(text.find("ExceptFolder=除外,tmp\r\n"), std::string::npos);
}

class MainWindowRun : public MainWindow {
 protected:
  void SetUp() override {
    for (const char* folder : {"src/一", "src/二", "src/三", "out"}) {
      std::filesystem::create_directories(temp / folder);
    }
    for (int i = 0; i < 4; ++i) {
      for (const char* folder : {"src/一/", "src/二/", "src/三/", "src/"}) {
        WriteBytes(temp / (folder + std::to_string(i) + ".jpg"), JpegBytes(NoisyRaster(80, 60, i)));
      }
    }
    Start();
    form->Edit1->setText(QString::fromStdString(Logo()));
    form->Edit2->setText(QString::fromStdString(temp / "src/"));
    form->Edit3->setText(QString::fromStdString(temp / "out/"));
  }

  int OutputFiles() {
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temp / "out")) {
      count += entry.is_regular_file() ? 1 : 0;
    }
    return count;
  }
};

TEST_F(MainWindowRun, ConvertsTheTreeAndSavesTheSettings) {
  form->BitBtn1->click();

  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], "変換が終了しました");
  EXPECT_EQ(OutputFiles(), 16);
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換"));
  EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
  EXPECT_EQ(form->State().FStop, 1);
  EXPECT_TRUE(std::filesystem::exists(ini));
}

TEST_F(MainWindowRun, StopsWhenTheButtonIsClickedAgainDuringTheRun) {
  bool cancelled = false;
  QString caption_while_running;
  QTimer canceller;
  canceller.setInterval(0);
  QObject::connect(&canceller, &QTimer::timeout, [&] {
    if (cancelled || form->State().FStop != 0) return;
    cancelled = true;
    caption_while_running = form->BitBtn1->text();
    form->BitBtn1->click();
  });
  canceller.start();

  form->BitBtn1->click();

  EXPECT_TRUE(cancelled);
  EXPECT_EQ(caption_while_running, QStringLiteral("キャンセル"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], "変換を中断しました");
  EXPECT_LT(OutputFiles(), 16);
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換"));
  EXPECT_EQ(form->ProgressBar1->value(), 0);
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(MainWindowRun, StopsTheRunQuietlyWhenTheWindowIsClosedDuringIt) {
  bool closed = false;
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (closed || form->State().FStop != 0) return;
    closed = true;
    dialogs.confirmation_answers.push_back(true);
    form->BitBtn7->click();
  });
  closer.start();

  form->BitBtn1->click();

  EXPECT_TRUE(closed);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(dialogs.messages.empty());  // no report after the window has gone
  EXPECT_LT(OutputFiles(), 16);
  EXPECT_EQ(form->State().FStop, 1);
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(MainWindowRun, NamesTheFileInTheReportOfAnErrorThatEndsTheRun) {
  const std::string bad = temp / "src/二/9.jpg";
  fixtures::WriteBytes(bad, fixtures::UndecodableJpegBytes(80, 60));
  form->BitBtn1->click();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0].rfind(FullPath(bad) + ": JPEG エラー #", 0), 0u) << dialogs.errors[0];
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換"));
}

TEST_F(MainWindowRun, ReportsASettingsFileThatCannotBeSaved_AndStillTheEndOfTheRun) {
  // A folder without write bits is read-only here, even for root.
  fixtures::MakeReadOnly(temp.path());
  form->BitBtn1->click();
  std::filesystem::permissions(temp.path(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find(ini), std::string::npos) << dialogs.errors[0];
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{"変換が終了しました"});
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(OutputFiles(), 16);
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換"));
  EXPECT_EQ(form->State().FStop, 1);
}

TEST_F(MainWindowRun, StartsTheRunWithEnterOnTheFocusedConvertButton) {
  form->activateWindow();
  form->BitBtn1->setFocus();
  QTest::keyClick(form->BitBtn1, Qt::Key_Return);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], "変換が終了しました");
}

TEST_F(MainWindowRun, RefusesARunWithoutALogoAndFocusesItsField) {
  form->Edit1->clear();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->BitBtn1->setFocus();
  form->BitBtn1->click();
  EXPECT_TRUE(form->Edit1->hasFocus());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], "ロゴ画像が指定されていないか、ファイルがありません");
  EXPECT_EQ(OutputFiles(), 0);
}

}  // namespace
}  // namespace quelmar
