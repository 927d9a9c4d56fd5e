#include <benchmark/benchmark.h>

#include <cstdint>

#include "image/raster24.h"
#include "image/stamp.h"

namespace quelmar {
namespace {

// A 6000 x 4000 photograph-like target and a 1000 x 1000 logo of which about one pixel in a
// hundred is transparent.
Raster24 MakeTarget() {
  Raster24 target = Raster24::Uninitialized(6000, 4000);
  for (std::int32_t y = 0; y < target.height(); ++y) {
    std::uint8_t* row = target.Row(y);
    for (std::int32_t i = 0; i < 3 * target.width(); ++i) {
      row[i] = static_cast<std::uint8_t>((i * 7 + y * 3) >> 4);
    }
  }
  return target;
}

Raster24 MakeLogo() {
  Raster24 logo = Raster24::Uninitialized(1000, 1000);
  for (std::int32_t y = 0; y < logo.height(); ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = 0; x < logo.width(); ++x) {
      const bool clear = (x * 31 + y * 17) % 100 == 0;
      row[3 * x] = clear ? 1 : static_cast<std::uint8_t>(x ^ y);
      row[3 * x + 1] = clear ? 2 : static_cast<std::uint8_t>(x + y);
      row[3 * x + 2] = clear ? 3 : static_cast<std::uint8_t>(x * y);
    }
  }
  std::uint8_t* corner = logo.Row(0);
  corner[0] = 1;
  corner[1] = 2;
  corner[2] = 3;
  return logo;
}

void BM_StampLogo(benchmark::State& state) {
  Raster24 target = MakeTarget();
  const Raster24 logo = MakeLogo();
  StampSettings settings;
  settings.FMaskType = static_cast<std::int32_t>(state.range(0));
  settings.FPosition = kBottomRight;
  settings.FAlpha = 127;
  settings.FThreshold = 128;
  for (auto _ : state) {
    StampLogo(target, logo, settings);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * logo.width() * logo.height());
  state.SetLabel(settings.FMaskType == mkColor        ? "colour"
                 : settings.FMaskType == mkBlackWhite ? "black and white"
                                                      : "white on black");
}
BENCHMARK(BM_StampLogo)
    ->Arg(mkColor)
    ->Arg(mkBlackWhite)
    ->Arg(mkWhiteOnBlack)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quelmar

BENCHMARK_MAIN();
