#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "fake_dialogs.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"
#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"

namespace quelmar {

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

  static std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

  void WriteSettings(const std::string& body) { fixtures::WriteText(ini, "[Setup]\r\n" + body); }

  std::string Logo(const std::string& name = "ロゴ.bmp") {
    const std::string path = temp / name;
    fixtures::WriteBytes(path, fixtures::Bmp24Bytes(fixtures::EllipseLogo(60, 30)));
    return path;
  }

  std::string Sample(std::int32_t width, std::int32_t height, const std::string& name) {
    const std::string path = temp / name;
    fixtures::WriteBytes(path, fixtures::JpegBytes(fixtures::NoisyRaster(width, height, 11)));
    return path;
  }

  // True when the pane's pixel (px, py) shows the unstamped sample's pixel (sx, sy).
  bool ShowsSamplePixel(int px, int py, int sx, int sy) const {
    const std::uint8_t* p = form->FSample.Row(sy) + 3 * sx;
    return form->Image1->Surface().pixel(px, py) == qRgb(p[2], p[1], p[0]);
  }

  // A double click as a mouse sends it: press, release, then the double click and its release.
  static void DoubleClick(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
    QTest::mouseDClick(widget, Qt::LeftButton);
    QTest::mouseRelease(widget, Qt::LeftButton);
  }

  static bool IsWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
      }
    }
    return true;
  }

  bool StampSettingsAre(std::int32_t position, std::int32_t mask_type) {
    const StampSettings settings = form->CurrentStampSettings();
    return settings.FPosition == position && settings.FMaskType == mask_type;
  }

  fixtures::TempFolder temp;
  std::string ini = temp / "Quelmar.ini";
  fixtures::FakeDialogs dialogs;
  RecordingAboutBox about;
  std::unique_ptr<TForm1> form;
};

// A window with a logo, a source tree of sixteen photographs and an empty output folder.
class MainWindowRun : public MainWindow {
 protected:
  void SetUp() override {
    for (const char* folder : {"src/一", "src/二", "src/三", "out"}) {
      std::filesystem::create_directories(temp / folder);
    }
    for (int i = 0; i < 4; ++i) {
      for (const char* folder : {"src/一/", "src/二/", "src/三/", "src/"}) {
        fixtures::WriteBytes(temp / (folder + std::to_string(i) + ".jpg"),
                             fixtures::JpegBytes(fixtures::NoisyRaster(80, 60, i)));
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

}  // namespace quelmar
