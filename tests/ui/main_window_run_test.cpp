#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "main_window_fixture.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

// Runs act once, from the window's events, as soon as a run is under way.
class DuringTheRun {
 public:
  DuringTheRun(TForm1& form, std::function<void()> act) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this, &form, act] {
      if (done_ || form.State().FStop != 0 || form.ProgressBar1->value() == 0) return;
      done_ = true;
      act();
    });
    timer_.start();
  }
  bool done() const { return done_; }

 private:
  QTimer timer_;
  bool done_ = false;
};

TEST_F(MainWindowRun, CountsFilesOnTheBarAndShowsHowManyOfHowMany) {
  int maximum = 0;
  int value = 0;
  QString text;
  DuringTheRun probe(*form, [&] {
    maximum = form->ProgressBar1->maximum();
    value = form->ProgressBar1->value();
    text = form->ProgressBar1->text();
  });

  form->BitBtn1->click();

  ASSERT_TRUE(probe.done());
  EXPECT_EQ(maximum, 16);  // the files, listed before the first: not the four folders
  EXPECT_GE(value, 1);
  EXPECT_EQ(text, QStringLiteral("%1 / 16").arg(value));
  EXPECT_EQ(form->ProgressBar1->value(), 16);
  EXPECT_FALSE(form->ProgressBar1->isTextVisible());  // the end message says the rest
}

TEST_F(MainWindowRun, DisablesWhatCannotActDuringARunAndNothingElse) {
  std::vector<std::string> disabled, enabled;
  DuringTheRun probe(*form, [&] {
    for (QWidget* control : form->findChildren<QWidget*>()) {
      const bool interesting =
          qobject_cast<QLineEdit*>(control) || qobject_cast<QPushButton*>(control) ||
          qobject_cast<QSlider*>(control) || qobject_cast<QRadioButton*>(control);
      if (!interesting) continue;
      (control->isEnabled() ? enabled : disabled).push_back(control->objectName().toStdString());
    }
  });
  form->RadioButton1->click();  // the threshold slider is live with 黒地に白

  form->BitBtn1->click();

  ASSERT_TRUE(probe.done());
  EXPECT_THAT(disabled, ::testing::UnorderedElementsAre("Edit1", "Edit2", "Edit3", "Edit4",
                                                        "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5",
                                                        "BitBtn6", "OptionsButton"));
  EXPECT_THAT(enabled, ::testing::IsSupersetOf({"BitBtn1", "BitBtn7", "TrackBar1", "TrackBar2",
                                                "TrackBar3", "RB_LT", "RB_RB", "RadioButton2"}));
  for (QWidget* control :
       {static_cast<QWidget*>(form->Edit1), static_cast<QWidget*>(form->BitBtn6)}) {
    EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  }
}

// A second click after キャンセル, before the run has wound down, starts no run inside it.
TEST_F(MainWindowRun, StartsNoSecondRunInsideOneThatIsStopping) {
  DuringTheRun probe(*form, [&] {
    form->BitBtn1->click();
    form->BitBtn1->click();
  });
  form->BitBtn1->click();
  ASSERT_TRUE(probe.done());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(FirstLine(dialogs.messages[0]), "変換を中断しました");
  EXPECT_LT(OutputFiles(), 16);
}

class MainWindowFailedFiles : public MainWindowRun {
 protected:
  void SetUp() override {
    MainWindowRun::SetUp();
    fixtures::WriteText(temp / "src/一/bad.jpg", "not a photo");
    fixtures::WriteBytes(temp / "src/二/tiny.jpg", fixtures::JpegBytes(20, 10));
  }
};

TEST_F(MainWindowFailedFiles, NamesTheFileAndTheReasonBelowTheQuestion) {
  dialogs.warning_answers = {true, true};
  form->BitBtn1->click();

  ASSERT_EQ(dialogs.warnings.size(), 2u);
  EXPECT_EQ(dialogs.warnings[0],
            (temp / "src/一/bad.jpg") + " が読み込めませんでした 作業を続けますか？");
  EXPECT_EQ(
      dialogs.warning_details[0].rfind("ファイル: " + (temp / "src/一/bad.jpg") + "\n理由: ", 0),
      0u)
      << dialogs.warning_details[0];
  EXPECT_EQ(dialogs.warnings[1], "ロゴ画像より小さい画像です 作業を続けますか？");
  EXPECT_EQ(dialogs.warning_details[1], "ファイル: " + (temp / "src/二/tiny.jpg") +
                                            "\n理由: 画像 20 × 10 ピクセル、ロゴ 60 × 30 ピクセル");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0],
            "変換が終了しました\n変換したファイル 16、変換できなかったファイル 2");
}

TEST_F(MainWindowFailedFiles, GoesOnWithoutAskingAgainForTheRestOfTheRun) {
  dialogs.go_on_answers = {GoOnAnswer::kYesToAll};
  form->BitBtn1->click();
  EXPECT_EQ(dialogs.warnings.size(), 1u);
  EXPECT_EQ(OutputFiles(), 16);
  EXPECT_EQ(FirstLine(dialogs.messages.at(0)), "変換が終了しました");

  // The next run asks again.
  dialogs.go_on_answers = {GoOnAnswer::kNo};
  form->BitBtn1->click();
  EXPECT_EQ(dialogs.warnings.size(), 2u);
  EXPECT_EQ(FirstLine(dialogs.messages.at(1)), "変換を中断しました");
}

}  // namespace
}  // namespace quelmar
