#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <string>

#include "main_window_fixture.h"

namespace quelmar {
namespace {

// Drags path onto widget as a file manager does and drops it there. True when the widget took
// the drag and the drop.
bool DropOn(QWidget* widget, const std::string& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  data.setText(QString::fromStdString("file://" + path));
  const QPoint at = widget->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &drop);
  return drop.isAccepted();
}

class MainWindowDrop : public MainWindow {
 protected:
  void SetUp() override {
    Start();
    std::filesystem::create_directories(temp / "写真");
    std::filesystem::create_directories(temp / "出力");
  }
};

TEST_F(MainWindowDrop, TakesALogoOnItsFieldOrTheWindow) {
  const std::string logo = Logo("seal.bmp");
  EXPECT_TRUE(DropOn(form->Edit1, logo));
  EXPECT_EQ(form->Edit1->text().toStdString(), logo);
  EXPECT_EQ(form->FLoaded & 1u, 1u);

  form->Edit1->clear();
  EXPECT_TRUE(DropOn(form.get(), logo));
  EXPECT_EQ(form->Edit1->text().toStdString(), logo);
}

TEST_F(MainWindowDrop, TakesFoldersOnTheirFieldsAndTheSourceOnTheWindow) {
  EXPECT_TRUE(DropOn(form->Edit2, (temp / "写真")));
  EXPECT_TRUE(DropOn(form->Edit3, (temp / "出力")));
  EXPECT_EQ(form->Edit2->text().toStdString(), (temp / "写真/"));
  EXPECT_EQ(form->Edit3->text().toStdString(), (temp / "出力/"));

  EXPECT_TRUE(DropOn(form.get(), (temp / "出力")));
  EXPECT_EQ(form->Edit2->text().toStdString(), (temp / "出力/"));
}

TEST_F(MainWindowDrop, TakesAJpegOnThePreviewAsTheSample) {
  const std::string sample = Sample(300, 200, "sample.JPEG");
  EXPECT_TRUE(DropOn(form->Image1, sample));
  EXPECT_EQ(form->Fields().FSampleJPEG, sample);
  EXPECT_EQ(form->FLoaded & 2u, 2u);
  EXPECT_TRUE(ShowsSamplePixel(0, 0, 0, 0));
  EXPECT_TRUE(dialogs.file_requests.empty());
}

// What does not fit a place is refused there, and a field never gets the text of a file's URL.
TEST_F(MainWindowDrop, RefusesWhatDoesNotFitWhereItIsDropped) {
  const std::string logo = Logo("seal.bmp");
  const std::string sample = Sample(64, 64, "sample.jpg");
  const std::string text = temp / "notes.txt";
  fixtures::WriteText(text, "x");
  form->Edit4->setText(QStringLiteral("raw"));

  EXPECT_FALSE(DropOn(form->Edit1, (temp / "写真")));
  EXPECT_FALSE(DropOn(form->Edit1, sample));
  EXPECT_FALSE(DropOn(form->Edit2, logo));
  EXPECT_FALSE(DropOn(form->Edit3, sample));
  EXPECT_FALSE(DropOn(form->Edit4, (temp / "写真")));
  EXPECT_FALSE(DropOn(form.get(), text));
  EXPECT_FALSE(DropOn(form->Image1, (temp / "missing.jpg")));

  EXPECT_TRUE(form->Edit1->text().isEmpty());
  EXPECT_TRUE(form->Edit2->text().isEmpty());
  EXPECT_TRUE(form->Edit3->text().isEmpty());
  EXPECT_EQ(form->Edit4->text(), QStringLiteral("raw"));
  EXPECT_EQ(form->FLoaded, 0u);
}

// The paths the program is opened with (its desktop entry passes files and folders).
TEST_F(MainWindowDrop, OpensThePathsItIsGiven) {
  const std::string logo = Logo("seal.bmp");
  const std::string sample = Sample(64, 64, "sample.jpg");
  form->OpenPaths({QString::fromStdString(temp / "写真"), QString::fromStdString(logo),
                   QString::fromStdString(sample), QString::fromStdString(temp / "none")});
  EXPECT_EQ(form->Edit2->text().toStdString(), (temp / "写真/"));
  EXPECT_EQ(form->Edit1->text().toStdString(), logo);
  EXPECT_EQ(form->Fields().FSampleJPEG, sample);
  EXPECT_EQ(form->FLoaded, 3u);
  EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace quelmar
