#include "ui/about_box.h"

#include <gtest/gtest.h>

#include <utime.h>

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::TempFolder;

// A file whose modification time is noon local time on the given day.
std::string FileDated(const TempFolder& temp, int year, int month, int day) {
  const std::string path = temp / "quelmar";
  fixtures::WriteText(path, "x");
  const QDateTime noon(QDate(year, month, day), QTime(12, 0));
  const utimbuf times{noon.toSecsSinceEpoch(), noon.toSecsSinceEpoch()};
  ::utime(path.c_str(), &times);
  return path;
}

TEST(AboutBox, ShowsTheProductAndTheExecutablesDateAsTheEdition) {
  TempFolder temp;
  const std::string executable = FileDated(temp, 2002, 5, 11);
  TAboutBox about(nullptr, executable);
  about.Timer1->stop();

  about.show();

  EXPECT_EQ(about.windowTitle(), QStringLiteral("ミルテカについて"));
  EXPECT_EQ(about.ProductName->text(), QStringLiteral("Quelmar ミルテカ"));
  EXPECT_EQ(about.Version->text(),
            QLocale::system().toString(QDate(2002, 5, 11), QLocale::ShortFormat) + "版");
  EXPECT_EQ(about.size(), QSize(298, 188));
  EXPECT_EQ(about.OKButton->geometry(), QRect(111, 156, 75, 25));
  // The icon comes from the program's resources; a missing resource would leave it empty.
  const QPixmap icon = about.ProgramIcon->pixmap();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.size(), QSize(32, 32));
}

TEST(AboutBox, WorksTheEditionOutAgainOnEveryShow) {
  TempFolder temp;
  const std::string executable = FileDated(temp, 2002, 5, 11);
  TAboutBox about(nullptr, executable);
  about.Timer1->stop();
  about.show();
  about.hide();

  FileDated(temp, 2024, 12, 31);
  about.show();

  EXPECT_EQ(about.Version->text(),
            QLocale::system().toString(QDate(2024, 12, 31), QLocale::ShortFormat) + "版");
}

TEST(AboutBox, KeepsOkDisabledWhileTheTimerRunsAndClosesItselfAsASplash) {
  TAboutBox about;
  ASSERT_TRUE(about.Timer1->isActive());
  EXPECT_EQ(about.Timer1->interval(), 1500);
  bool ok_enabled_at_splash = true;
  QTimer::singleShot(0, &about, [&] { ok_enabled_at_splash = about.OKButton->isEnabled(); });

  about.ShowModal();  // returns when the timer closes it

  EXPECT_FALSE(ok_enabled_at_splash);
  EXPECT_FALSE(about.Timer1->isActive());
  EXPECT_EQ(about.result(), QDialog::Rejected);

  about.show();
  EXPECT_TRUE(about.OKButton->isEnabled());
}

TEST(AboutBox, ClosesWithOkOnEnterAndWithEscape) {
  TAboutBox about;
  about.Timer1->stop();
  about.show();
  QTest::keyClick(&about, Qt::Key_Escape);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Rejected);

  about.show();
  QTest::keyClick(&about, Qt::Key_Return);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutBox, OnlyStopsItsTimerWhenItFiresWhileHidden) {
  TAboutBox about;
  QTest::qWait(1700);
  EXPECT_FALSE(about.Timer1->isActive());
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace quelmar
