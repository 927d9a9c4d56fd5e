// The cost of a preview redraw on a 24-megapixel sample: what the pane shows is produced from
// the visible part only, so a slider move stays far below the 30 ms a redraw may take.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QSlider>
#include <cstdint>

#include "image/raster24.h"
#include "image/stamp.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/preview_render.h"

namespace quelmar {
namespace {

Raster24 MakeSample() {
  Raster24 sample = Raster24::Uninitialized(6000, 4000);
  for (std::int32_t y = 0; y < sample.height(); ++y) {
    std::uint8_t* row = sample.Row(y);
    for (std::int32_t i = 0; i < 3 * sample.width(); ++i) {
      row[i] = static_cast<std::uint8_t>((i * 7 + y * 3) >> 4);
    }
  }
  return sample;
}

// A logo of w x h whose top-left colour (white) surrounds a patterned body.
Raster24 MakeLogo(std::int32_t w, std::int32_t h) {
  Raster24 logo = Raster24::Uninitialized(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = 0; x < w; ++x) {
      const bool clear = x < 4 || y < 4 || x >= w - 4 || y >= h - 4;
      row[3 * x] = clear ? 255 : static_cast<std::uint8_t>(x ^ y);
      row[3 * x + 1] = clear ? 255 : static_cast<std::uint8_t>(x + y);
      row[3 * x + 2] = clear ? 255 : static_cast<std::uint8_t>(x * y);
    }
  }
  return logo;
}

const Raster24& Sample() {
  static const Raster24 sample = MakeSample();
  return sample;
}

StampSettings Settings(std::int32_t mask_type) {
  StampSettings settings;
  settings.FPosition = kBottomRight;
  settings.FMaskType = mask_type;
  settings.FAlpha = 200;
  settings.FThreshold = 128;
  return settings;
}

// What a redraw produces and draws: the visible part stamped, copied onto the pane's surface.
void BM_PreviewRedraw(benchmark::State& state) {
  const SharedLogo logo = MakeLogo(static_cast<std::int32_t>(state.range(1)),
                                   static_cast<std::int32_t>(state.range(2)));
  const StampSettings settings = Settings(static_cast<std::int32_t>(state.range(0)));
  QImage surface(409, 153, QImage::Format_RGB32);
  for (auto _ : state) {
    const PreviewPatch patch = RenderPreview(Sample(), &logo, settings, 409, 153);
    DrawRasterOnImage(surface, patch.pixels, patch.pane_x, patch.pane_y);
    benchmark::DoNotOptimize(surface.constBits());
  }
}
// Mask type, logo width and height: a usual logo, and a logo as large as half the photograph,
// whose whole area mask type 2 still counts.
BENCHMARK(BM_PreviewRedraw)
    ->Args({0, 400, 150})
    ->Args({1, 400, 150})
    ->Args({2, 400, 150})
    ->Args({2, 3000, 2000})
    ->Unit(benchmark::kMillisecond);

// For comparison: stamping a copy of the whole sample, the plain reading of a redraw.
void BM_WholeSampleStamp(benchmark::State& state) {
  const Raster24 logo = MakeLogo(400, 150);
  const StampSettings settings = Settings(mkColor);
  for (auto _ : state) {
    Raster24 copy = Sample();
    StampLogo(copy, logo, settings);
    benchmark::DoNotOptimize(copy.Row(0));
  }
}
BENCHMARK(BM_WholeSampleStamp)->Unit(benchmark::kMillisecond);

class NoDialogs : public Dialogs {
 public:
  void ShowMessage(const std::string&) override {}
  bool AskWarning(const std::string&) override { return false; }
  bool AskConfirmation(const std::string&) override { return false; }
  void ShowError(const std::string&) override {}
  std::optional<std::string> OpenFile(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseFolder() override { return {}; }
  void Beep() override {}
};

// A density slider move in the real window: the change handler, the redraw and the drawing on
// the pane's surface.
void BM_DensitySliderMove(benchmark::State& state) {
  NoDialogs dialogs;
  TForm1 form(dialogs, "/nonexistent/Quelmar.ini");
  form.FSample = Sample();
  form.State().FMark = MakeLogo(400, 150);
  form.FLoaded = 3;
  form.Fields().stamp.FMaskType = static_cast<std::int32_t>(state.range(0));
  int value = 100;
  for (auto _ : state) {
    value = value == 100 ? 101 : 100;
    form.TrackBar1->setValue(value);
  }
}
BENCHMARK(BM_DensitySliderMove)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quelmar

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
