#include "ui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "fake_dialogs.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"
#include "ui/folder_chooser.h"
#include "ui/options_dialog.h"

namespace quelmar {
namespace {

using namespace fixtures;

// Runs act on the modal dialog as soon as it is shown.
void OnModalDialog(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    act(dialog);
  });
}

QStringList ButtonTexts(QWidget* dialog) {
  QStringList texts;
  for (const QAbstractButton* button : qobject_cast<QMessageBox*>(dialog)->buttons()) {
    texts << button->text();
  }
  texts.sort();
  return texts;
}

// The question after a failed file: its sentence, the file and the reason below it, and a
// third button that goes on without asking again.
TEST(QtDialogs, AsksWhetherToGoOnWithTheDetailsAndAThirdChoice) {
  QtDialogs dialogs;
  QString title, details;
  QStringList buttons;
  OnModalDialog([&](QWidget* dialog) {
    title = dialog->windowTitle();
    details = qobject_cast<QMessageBox*>(dialog)->informativeText();
    buttons = ButtonTexts(dialog);
    QTest::keyClick(dialog, Qt::Key_Return);
  });
  EXPECT_EQ(dialogs.AskToGoOn("続けますか", "ファイル: /p/a.jpg"), GoOnAnswer::kYes);
  EXPECT_EQ(title, QStringLiteral("警告"));
  EXPECT_EQ(details, QStringLiteral("ファイル: /p/a.jpg"));
  EXPECT_EQ(buttons, (QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)"),
                                  QStringLiteral("確認せずに続ける(&A)")}));

  OnModalDialog([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  EXPECT_EQ(dialogs.AskToGoOn("続けますか", ""), GoOnAnswer::kNo);
  OnModalDialog([](QWidget* dialog) {
    for (QAbstractButton* button : qobject_cast<QMessageBox*>(dialog)->buttons()) {
      if (button->text() == QStringLiteral("確認せずに続ける(&A)")) button->click();
    }
  });
  EXPECT_EQ(dialogs.AskToGoOn("続けますか", ""), GoOnAnswer::kYesToAll);
}

TEST(QtDialogs, AsksAConfirmationWithNoOnEscape) {
  QtDialogs dialogs;
  QString title;
  OnModalDialog([&](QWidget* dialog) {
    title = dialog->windowTitle();
    QTest::keyClick(dialog, Qt::Key_Escape);
  });

  EXPECT_FALSE(dialogs.AskConfirmation("ミルテカを終了しますか？"));
  EXPECT_EQ(title, QStringLiteral("確認"));
}

TEST(QtDialogs, ShowsTheErrorReportWithTheErrorIconUnderTheApplicationsTitle) {
  QtDialogs dialogs;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title, text;
  OnModalDialog([&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    icon = box->icon();
    title = box->windowTitle();
    text = box->text();
    QTest::keyClick(dialog, Qt::Key_Return);
  });

  dialogs.ShowError("ビットマップイメージが不正です.");

  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(title, QStringLiteral("ミルテカ"));
  EXPECT_EQ(text, QStringLiteral("ビットマップイメージが不正です."));
}

TEST(QtDialogs, ShowsAPlainMessageWithoutAnIcon) {
  QtDialogs dialogs;
  QMessageBox::Icon icon = QMessageBox::Critical;
  QStringList buttons;
  OnModalDialog([&](QWidget* dialog) {
    icon = qobject_cast<QMessageBox*>(dialog)->icon();
    buttons = ButtonTexts(dialog);
    QTest::keyClick(dialog, Qt::Key_Return);
  });

  dialogs.ShowMessage("変換が終了しました");

  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
}

TEST(QtDialogs, OpenFileShowsAPreviewOfThePictureUnderTheCursor) {
  TempFolder temp;
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::red);
  const std::string path = temp / "logo.bmp";
  ASSERT_TRUE(picture.save(QString::fromStdString(path), "BMP"));
  QtDialogs dialogs;
  QSize shown;
  OnModalDialog([&](QWidget* dialog) {
    auto* file_dialog = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(file_dialog, nullptr);
    emit file_dialog->currentChanged(QString::fromStdString(path));
    auto* preview = dialog->findChild<QLabel*>(QStringLiteral("PicturePreview"));
    ASSERT_NE(preview, nullptr);
    shown = preview->pixmap().size();
    file_dialog->reject();
  });

  EXPECT_FALSE(dialogs.OpenFile(FileDialogRequest{"すかし画像 (*.bmp)", "bmp", {}, {}}));
  EXPECT_EQ(shown, QSize(160, 80));
}

// The dialog opens in the folder it is given and shows its files' name, size, type and date
// whole.
TEST(QtDialogs, OpenFileStartsInItsFolderWithEveryColumnWideEnough) {
  fixtures::TempFolder temp;
  std::filesystem::create_directories(temp / "写真");
  fixtures::WriteText(temp / "写真/とても長い名前のサンプル写真_2024-05-11_夕焼け.jpg", "x");
  QtDialogs dialogs;
  QString folder;
  std::vector<std::pair<int, int>> columns;  // shown width, wanted width
  OnModalDialog([&](QWidget* dialog) {
    auto* file_dialog = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(file_dialog, nullptr);
    folder = file_dialog->directory().absolutePath();
    auto* files = file_dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(files, nullptr);
    // The folder is listed in the background; its rows decide the columns' widths.
    EXPECT_TRUE(QTest::qWaitFor([&] { return files->model()->rowCount(files->rootIndex()) > 0; }));
    QApplication::processEvents();
    const QHeaderView* header = files->header();
    for (int i = 0; i < header->count(); ++i) {
      if (!header->isSectionHidden(i)) {
        columns.emplace_back(header->sectionSize(i), header->sectionSizeHint(i));
      }
    }
    file_dialog->reject();
  });

  dialogs.OpenFile(FileDialogRequest{"JPEG (*.jpg *.jpeg)", "jpg", {}, (temp / "写真/")});

  EXPECT_EQ(folder.toStdString() + "/", (temp / "写真/"));
  ASSERT_EQ(columns.size(), 4u);
  for (const auto& [shown, wanted] : columns) EXPECT_GE(shown, wanted);
  EXPECT_GE(columns[0].first, 250);  // the name column has room for a long name
}

TEST(QtDialogs, QtsOwnDialogsSpeakJapanese) {
  // The file dialog's "Open" button, as Qt's Japanese translation names it.
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Open"));
}

TEST(FolderChooser, StartsInTheFolderItIsGivenWhenItExists) {
  fixtures::TempFolder temp;
  std::filesystem::create_directories(temp / "元画像");
  fixtures::FakeDialogs dialogs;
  const TFolderChooser chosen_start(dialogs, (temp / "元画像/"));
  EXPECT_EQ(chosen_start.PathEdit->text().toStdString() + "/", (temp / "元画像/"));
  const TFolderChooser missing_start(dialogs, (temp / "ない"));
  EXPECT_EQ(missing_start.PathEdit->text(), QDir::currentPath());
}

TEST(FolderChooser, CreatesATypedMissingFolderAfterAskingAndAccepts) {
  TempFolder temp;
  const QString working_folder = QDir::currentPath();  // accepting makes the choice current
  FakeDialogs dialogs;
  dialogs.confirmation_answers = {false, true};
  TFolderChooser chooser(dialogs);
  EXPECT_EQ(chooser.windowTitle(), QStringLiteral("ディレクトリの選択"));
  const std::string wanted = temp / "新しい/フォルダ";
  chooser.PathEdit->setText(QString::fromStdString(wanted + "/"));
  chooser.show();

  chooser.accept();  // No: stays open, nothing created
  EXPECT_TRUE(chooser.isVisible());
  EXPECT_FALSE(std::filesystem::exists(wanted));

  chooser.accept();  // Yes
  EXPECT_FALSE(chooser.isVisible());
  EXPECT_EQ(chooser.result(), QDialog::Accepted);
  ASSERT_TRUE(chooser.Chosen().has_value());
  EXPECT_EQ(*chooser.Chosen(), wanted);
  EXPECT_TRUE(FolderExists(wanted));
  EXPECT_EQ(dialogs.confirmations.size(), 2u);
  EXPECT_EQ(QDir::currentPath().toStdString(), wanted);
  QDir::setCurrent(working_folder);
}

// The 詳細設定 dialog is modal; OK hands its values to the fields, キャンセル and Esc do not.
TEST(QtDialogs, EditOptionsChangesTheFieldsOnlyOnOk) {
  QtDialogs dialogs;
  SettingsFields fields;
  fields.FJobs = 2;
  // Changes the files at once to 6 and turns the lossless mode on, then leaves by finish.
  auto change_then = [](std::function<void(OptionsDialog*)> finish) {
    OnModalDialog([finish](QWidget* widget) {
      auto* dialog = qobject_cast<OptionsDialog*>(widget);
      ASSERT_NE(dialog, nullptr);
      qobject_cast<QSpinBox*>(dialog->ControlOf("Jobs"))->setValue(6);
      qobject_cast<QCheckBox*>(dialog->ControlOf("Lossless"))->setChecked(true);
      finish(dialog);
    });
  };

  change_then([](OptionsDialog* dialog) { dialog->CancelButton->click(); });
  EXPECT_FALSE(dialogs.EditOptions(fields));
  change_then([](OptionsDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  EXPECT_FALSE(dialogs.EditOptions(fields));
  EXPECT_EQ(fields.FJobs, 2);
  EXPECT_EQ(fields.FLossless, 0);

  change_then([](OptionsDialog* dialog) { dialog->OkButton->click(); });
  EXPECT_TRUE(dialogs.EditOptions(fields));
  EXPECT_EQ(fields.FJobs, 6);
  EXPECT_EQ(fields.FLossless, 1);
}

}  // namespace
}  // namespace quelmar
