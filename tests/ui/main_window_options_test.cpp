#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <string>

#include "main_window_fixture.h"
#include "support/file_tools.h"
#include "ui/options_dialog.h"

namespace quelmar {
namespace {

using fixtures::ReadText;

// Sets the files at once and the lossless mode in the dialog; accept says which button ends it.
std::function<bool(OptionsDialog&)> SetOptions(int jobs, bool lossless, bool accept) {
  return [=](OptionsDialog& dialog) {
    qobject_cast<QSpinBox*>(dialog.ControlOf("Jobs"))->setValue(jobs);
    qobject_cast<QCheckBox*>(dialog.ControlOf("Lossless"))->setChecked(lossless);
    return accept;
  };
}

TEST_F(MainWindow, KeepsWhatTheOptionsDialogSetsForTheRunAndTheSave) {
  Start();
  dialogs.options_script = SetOptions(5, true, true);

  form->OptionsButton->click();

  EXPECT_EQ(dialogs.options_shown, 1);
  EXPECT_EQ(form->Jobs(), 5);  // what a run reads
  EXPECT_TRUE(form->Lossless());
  form->BitBtn6->click();
  const std::string saved = ReadText(ini);
  EXPECT_NE(saved.find("\r\nJobs=5\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nLossless=1\r\n"), std::string::npos);
}

TEST_F(MainWindow, ChangesNothingWhenTheOptionsDialogIsCancelled) {
  Start();
  dialogs.options_script = SetOptions(5, true, false);

  form->OptionsButton->click();

  EXPECT_EQ(dialogs.options_shown, 1);
  EXPECT_EQ(form->Jobs(), 0);
  EXPECT_FALSE(form->Lossless());
  // A first save is the window's own keys only: an option at its default is not written.
  form->BitBtn6->click();
  const std::string saved = ReadText(ini);
  EXPECT_EQ(saved.find("Jobs="), std::string::npos);
  EXPECT_EQ(saved.find("Lossless="), std::string::npos);
}

// The dialog opens on what the settings file holds, and a value set back to its default is
// still written, since the file holds the key.
TEST_F(MainWindow, OpensTheOptionsDialogOnTheStoredValues) {
  WriteSettings("Jobs=3\r\nLossless=1\r\n");
  Start();
  int shown_jobs = -1;
  bool shown_lossless = false;
  dialogs.options_script = [&](OptionsDialog& dialog) {
    shown_jobs = qobject_cast<QSpinBox*>(dialog.ControlOf("Jobs"))->value();
    shown_lossless = qobject_cast<QCheckBox*>(dialog.ControlOf("Lossless"))->isChecked();
    return SetOptions(0, false, true)(dialog);
  };

  form->OptionsButton->click();
  form->BitBtn6->click();

  EXPECT_EQ(shown_jobs, 3);
  EXPECT_TRUE(shown_lossless);
  const std::string saved = ReadText(ini);
  EXPECT_NE(saved.find("\r\nJobs=0\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nLossless=0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quelmar
