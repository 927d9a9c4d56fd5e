#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
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
#include "image/bitmap_file.h"
#include "image/jpeg_file.h"
#include "main_window_fixture.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "ui/error_report.h"
#include "ui/preview_overview.h"
#include "ui/preview_pane.h"

namespace quelmar {
namespace {

using namespace fixtures;

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

TEST_F(MainWindow, DrawsThePromptOnAWhitePaneAndClearsItForASmallSample) {
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

  // Only the sample shows: the prompt it does not cover is gone, not half hidden.
  const QImage shown = form->Image1->Surface();
  EXPECT_TRUE(ShowsSamplePixel(209, 53, 0, 0));
  EXPECT_TRUE(ShowsSamplePixel(408, 152, 199, 99));
  EXPECT_TRUE(IsWhite(shown.copy(0, 0, 209, 53)));

  form->RB_LT->click();
  EXPECT_TRUE(ShowsSamplePixel(0, 0, 0, 0));
  EXPECT_TRUE(IsWhite(form->Image1->Surface().copy(200, 100, 209, 53)));  // no earlier drawing
}

TEST_F(MainWindow, ClearsALargerEarlierSampleAroundASmallerOne) {
  Start();
  dialogs.files.push_back(Sample(1024, 768, "large.jpg"));
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  dialogs.files.push_back(Sample(100, 50, "small.jpg"));
  DoubleClick(form->Image1);

  ASSERT_EQ(form->FSample.width(), 100);
  EXPECT_FALSE(form->ShowsOverview());
  EXPECT_TRUE(ShowsSamplePixel(0, 0, 0, 0));
  EXPECT_TRUE(IsWhite(form->Image1->Surface().copy(100, 0, 309, 153)));
  EXPECT_TRUE(IsWhite(form->Image1->Surface().copy(0, 50, 409, 103)));
}

TEST_F(MainWindow, SwitchesBetweenTheCloseViewAndTheOverviewWithAClick) {
  Start();
  form->Edit1->setText(QString::fromStdString(Logo()));
  form->RB_RB->click();
  dialogs.files.push_back(Sample(1024, 768, "large.jpg"));
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  ASSERT_FALSE(form->ShowsOverview());
  const QImage close_view = form->Image1->Surface();

  QTest::mouseClick(form->Image1, Qt::LeftButton);

  ASSERT_TRUE(form->ShowsOverview());
  EXPECT_EQ(dialogs.file_requests.size(), 1u);  // no dialog: the click only switched the view
  // The whole sample, stamped, shrunk into the pane and centred on white.
  Raster24 stamped = form->FSample;
  StampLogo(stamped, form->State().FMark.get(), form->CurrentStampSettings());
  const OverviewFit fit = FitOverview(1024, 768, 409, 153);
  const Raster24 expected = ShrinkByArea(stamped, fit.w, fit.h);
  const QImage overview = form->Image1->Surface();
  for (int y = 0; y < fit.h; y += 7) {
    for (int x = 0; x < fit.w; x += 5) {
      const std::uint8_t* p = expected.Row(y) + 3 * x;
      ASSERT_EQ(overview.pixel(fit.x + x, fit.y + y), qRgb(p[2], p[1], p[0])) << x << "," << y;
    }
  }
  EXPECT_TRUE(IsWhite(overview.copy(0, 0, fit.x, 153)));

  form->TrackBar1->setValue(30);  // the overview follows the parameters too
  EXPECT_NE(form->Image1->Surface(), overview);
  form->TrackBar1->setValue(form->Fields().stamp.FAlpha == 30 ? 127 : 30);

  QTest::mouseClick(form->Image1, Qt::LeftButton);
  EXPECT_FALSE(form->ShowsOverview());
  EXPECT_EQ(form->Image1->Surface(), close_view);
}

TEST_F(MainWindow, ChoosesAnotherSampleWithADoubleClickAndKeepsTheView) {
  Start();
  dialogs.files.push_back(Sample(600, 400, "first.jpg"));
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  QTest::mouseClick(form->Image1, Qt::LeftButton);
  ASSERT_TRUE(form->ShowsOverview());
  const std::string second = Sample(800, 300, "second.jpg");
  dialogs.files.push_back(second);

  DoubleClick(form->Image1);

  EXPECT_EQ(dialogs.file_requests.size(), 2u);
  EXPECT_EQ(form->Fields().FSampleJPEG, second);
  EXPECT_TRUE(form->ShowsOverview());
  const OverviewFit fit = FitOverview(800, 300, 409, 153);
  const Raster24 shrunk = ShrinkByArea(form->FSample, fit.w, fit.h);
  const std::uint8_t* corner = shrunk.Row(0);
  EXPECT_EQ(form->Image1->Surface().pixel(fit.x, fit.y), qRgb(corner[2], corner[1], corner[0]));
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

// Typing a path passes through the names of files that are no logo: they are shown under the
// field, and no box takes the keystrokes that follow.
TEST_F(MainWindow, ShowsALogoThatCannotBeReadBesideTheFieldWhileTyping) {
  Start();
  const std::string logo = Logo("seal.bmp");
  WriteText(temp / "seal", "notes, not a picture");
  const QString typed = QString::fromStdString(logo);

  QTest::keyClicks(form->Edit1, typed.left(typed.size() - 4));  // ".../seal"

  EXPECT_TRUE(dialogs.errors.empty());
  const QString problem = form->LogoStatus->toolTip();
  EXPECT_TRUE(problem.contains(QStringLiteral("BMP"))) << problem.toStdString();
  EXPECT_FALSE(form->LogoStatus->text().isEmpty());
  EXPECT_EQ(form->Edit1->toolTip(), problem);
  EXPECT_NE(form->Edit1->palette().color(QPalette::Base),
            QApplication::palette(form->Edit1).color(QPalette::Base));

  QTest::keyClicks(form->Edit1, typed.right(4));

  EXPECT_EQ(form->Edit1->text(), typed);  // every keystroke arrived
  EXPECT_EQ(form->FLoaded & 1u, 1u);
  EXPECT_TRUE(form->LogoStatus->text().isEmpty());
  EXPECT_EQ(form->Edit1->palette().color(QPalette::Base),
            QApplication::palette(form->Edit1).color(QPalette::Base));
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindow, ReportsAStoredLogoThatCannotBeReadOnceInABoxAndBesideTheField) {
  const std::string bad = temp / "bad.bmp";
  WriteText(bad, "not a bitmap");
  WriteSettings("MarkBitmap=" + bad + "\r\n");
  Start();
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(form->Edit1->text().toStdString(), bad);
  EXPECT_FALSE(form->LogoStatus->text().isEmpty());
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
  DoubleClick(form->Image1);  // cancelled

  ASSERT_EQ(dialogs.file_requests.size(), 2u);
  EXPECT_EQ(dialogs.file_requests[0].initial_file, "");
  EXPECT_EQ(dialogs.file_requests[0].filter, "JPEG イメージファイル (*.jpg *.jpeg)");
  EXPECT_EQ(dialogs.file_requests[1].initial_file, sample);
  EXPECT_EQ(dialogs.file_requests[1].initial_folder, FolderPart(sample));
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

  DoubleClick(form->Image1);

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

TEST_F(MainWindow, OpensEachChooserInTheFolderItsFieldNames) {
  Start();
  const std::string logo = Logo();
  form->Edit1->setText(QString::fromStdString(logo));
  form->Edit2->setText(QStringLiteral("/srv/写真/"));
  form->Edit3->setText(QStringLiteral("/srv/出力"));

  form->BitBtn2->click();
  form->BitBtn3->click();
  form->BitBtn4->click();

  ASSERT_EQ(dialogs.file_requests.size(), 1u);
  EXPECT_EQ(dialogs.file_requests[0].initial_folder, (temp / ""));
  EXPECT_EQ(dialogs.folder_starts, (std::vector<std::string>{"/srv/写真/", "/srv/出力"}));
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

TEST_F(MainWindow, AsksTheExitQuestionOnCtrlQ) {
  Start();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  dialogs.confirmation_answers.push_back(false);
  QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(dialogs.confirmations, std::vector<std::string>{"ミルテカを終了しますか？"});
  EXPECT_TRUE(form->isVisible());

  dialogs.confirmation_answers.push_back(true);
  QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindow, PressesAButtonWithItsMnemonic) {
  Start();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);  // 設定の保存(&S)
  // A mnemonic presses its button as a click would be seen: a moment later.
  EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(ini); }));
}

// The note under the exclusion field shows the names a run skips, as the parser reads them.
TEST_F(MainWindow, ShowsTheFolderNamesToSkipAsTheyAreUnderstood) {
  Start();
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("raw、old"), QStringLiteral("読み込まない: 「raw」「old」")},
      {QStringLiteral("\"my photos\", tmp"), QStringLiteral("読み込まない: 「my photos」「tmp」")},
      {QStringLiteral("古い　写真"), QStringLiteral("読み込まない: 「古い」「写真」")},
      {QStringLiteral(","), QStringLiteral("読み込まない: なし")},
      {QStringLiteral("  "), QString()},
  };
  for (const auto& [typed, shown] : cases) {
    form->Edit4->setText(typed);
    EXPECT_EQ(form->ExclusionNote->toolTip(), shown) << typed.toStdString();
  }
  form->Edit4->setText(QStringLiteral("raw、old"));
  form->Edit4->setText(QString::fromStdString("\"" + std::string(300, 'x') + "\""));
  EXPECT_LE(form->ExclusionNote->fontMetrics().horizontalAdvance(form->ExclusionNote->text()),
            form->ExclusionNote->width());
}

// The settings file sets the number of workers for the window's runs.
TEST_F(MainWindow, RunsWithTheJobsOfTheSettingsFile_AndKeepsThemOnSaving) {
  WriteSettings("Jobs=3\r\n");
  Start();
  EXPECT_EQ(form->Jobs(), 3);
  form->BitBtn6->click();
  EXPECT_NE(ReadText(ini).find("\r\nJobs=3\r\n"), std::string::npos);
}

// Each slider tells its value in the numbers the converter's option takes, so that a setting
// can be carried over to a script.
TEST_F(MainWindow, ShowsEachSlidersValueWithTheConvertersOption) {
  Start();
  const struct {
    QSlider* slider;
    int set;
    const char* option;
    int shown;  // the slider's range applied
  } cases[] = {
      {form->TrackBar1, 99, "--density", 99},     {form->TrackBar1, 300, "--density", 256},
      {form->TrackBar2, 0, "--quality", 1},       {form->TrackBar2, 57, "--quality", 57},
      {form->TrackBar3, 250, "--threshold", 250},
  };
  for (const auto& c : cases) {
    c.slider->setValue(c.set);
    const QString tip = c.slider->toolTip();
    SCOPED_TRACE(tip.toStdString());
    EXPECT_TRUE(tip.section(QLatin1Char('\n'), 0, 0).endsWith(QStringLiteral(": %1").arg(c.shown)));
    EXPECT_TRUE(tip.endsWith(QStringLiteral("\nquelmar-cli %1 %2").arg(c.option).arg(c.shown)));
  }
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

TEST_F(MainWindowRun, ConvertsTheTreeAndSavesTheSettings) {
  form->BitBtn1->click();

  // The fixed sentence first, then the counts.
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0],
            "変換が終了しました\n変換したファイル 16、変換できなかったファイル 0");
  EXPECT_EQ(OutputFiles(), 16);
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換(&C)"));
  EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
  EXPECT_EQ(form->State().FStop, 1);
  EXPECT_TRUE(std::filesystem::exists(ini));
}

// Folders are typed without their separator; a run and the save at its end keep them.
TEST_F(MainWindowRun, KeepsTheFoldersTypedWithoutTheirSeparator) {
  const std::string source = temp / "src";
  const std::string output = temp / "out";
  form->Edit2->clear();
  form->Edit3->clear();
  QTest::keyClicks(form->Edit2, QString::fromStdString(source));
  QTest::keyClicks(form->Edit3, QString::fromStdString(output));

  form->BitBtn1->click();

  EXPECT_EQ(FirstLine(dialogs.messages.at(0)), "変換が終了しました");
  EXPECT_EQ(OutputFiles(), 16);
  EXPECT_EQ(form->Edit2->text().toStdString(), source + "/");
  EXPECT_EQ(form->Edit3->text().toStdString(), output + "/");
  const std::string saved = ReadText(ini);
  EXPECT_NE(saved.find("SourceFolder=" + source + "/\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("DestinationFolder=" + output + "/\r\n"), std::string::npos) << saved;
}

TEST_F(MainWindowRun, CompletesAFolderFieldWhenItsEditingEnds) {
  form->Edit2->setText(QString::fromStdString(temp / "src"));
  form->Edit3->setText(QString::fromStdString(temp / "missing"));
  for (QLineEdit* edit : {form->Edit2, form->Edit3}) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
  }
  EXPECT_EQ(form->Edit2->text().toStdString(), (temp / "src") + "/");
  EXPECT_EQ(form->Edit3->text().toStdString(), (temp / "missing"));  // no folder, no change

  form->Edit3->setText(QString::fromStdString(temp / "out"));
  form->BitBtn6->click();  // a save completes the fields too
  EXPECT_EQ(form->Edit3->text().toStdString(), (temp / "out") + "/");
  EXPECT_NE(ReadText(ini).find("DestinationFolder=" + (temp / "out") + "/\r\n"), std::string::npos);
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
  EXPECT_EQ(caption_while_running, QStringLiteral("キャンセル(&C)"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(FirstLine(dialogs.messages[0]), "変換を中断しました");
  EXPECT_LT(OutputFiles(), 16);
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換(&C)"));
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
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換(&C)"));
}

TEST_F(MainWindowRun, ReportsASettingsFileThatCannotBeSaved_AndStillTheEndOfTheRun) {
  // A folder without write bits is read-only here, even for root.
  fixtures::MakeReadOnly(temp.path());
  form->BitBtn1->click();
  std::filesystem::permissions(temp.path(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find(ini), std::string::npos) << dialogs.errors[0];
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(FirstLine(dialogs.messages[0]), "変換が終了しました");
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(OutputFiles(), 16);
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("変換(&C)"));
  EXPECT_EQ(form->State().FStop, 1);
}

TEST_F(MainWindowRun, StartsTheRunWithEnterOnTheFocusedConvertButton) {
  form->activateWindow();
  form->BitBtn1->setFocus();
  QTest::keyClick(form->BitBtn1, Qt::Key_Return);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(FirstLine(dialogs.messages[0]), "変換が終了しました");
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
