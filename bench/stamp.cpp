// The stamp of a 1000 x 1000 logo on a 24-megapixel photograph, key-colour and with alpha, and
// the resampling of a logo to the size a photograph asks for.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "image/logo_image.h"
#include "image/logo_resample.h"
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

const char* MaskName(std::int32_t mask_type) {
  return mask_type == mkColor        ? "colour"
         : mask_type == mkBlackWhite ? "black and white"
                                     : "white on black";
}

// A 1000 x 1000 logo. Soft: a ring with anti-aliased edges, clear outside and inside, as a
// real logo is (most pixels of alpha 0 or 255). Translucent: every pixel of partial alpha, the
// slowest case for the kernel.
LogoImage MakeAlphaLogo(bool translucent) {
  Raster24 colour = Raster24::Uninitialized(1000, 1000);
  Raster24 alpha = Raster24::Uninitialized(1000, 1000);
  for (std::int32_t y = 0; y < 1000; ++y) {
    std::uint8_t* c = colour.Row(y);
    std::uint8_t* a = alpha.Row(y);
    for (std::int32_t x = 0; x < 1000; ++x) {
      c[3 * x] = static_cast<std::uint8_t>(x ^ y);
      c[3 * x + 1] = static_cast<std::uint8_t>(x + y);
      c[3 * x + 2] = static_cast<std::uint8_t>(x * y);
      const double r = std::hypot(x - 500.0, y - 500.0);
      const double coverage = std::clamp(std::min(r - 250.0, 480.0 - r) + 0.5, 0.0, 1.0);
      const auto value = static_cast<std::uint8_t>(translucent ? 1 + (x * 7 + y * 13) % 254
                                                               : std::lround(coverage * 255));
      std::memset(a + 3 * x, value, 3);
    }
  }
  return LogoImage(std::move(colour), std::move(alpha));
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
  state.SetLabel(MaskName(settings.FMaskType));
}
BENCHMARK(BM_StampLogo)
    ->Arg(mkColor)
    ->Arg(mkBlackWhite)
    ->Arg(mkWhiteOnBlack)
    ->Unit(benchmark::kMillisecond);

void BM_StampAlphaLogo(benchmark::State& state) {
  Raster24 target = MakeTarget();
  const LogoImage logo = MakeAlphaLogo(state.range(1) != 0);
  StampSettings settings;
  settings.FMaskType = static_cast<std::int32_t>(state.range(0));
  settings.FPosition = kBottomRight;
  settings.FAlpha = 200;
  settings.FThreshold = 128;
  settings.fitting.margin = 40;
  for (auto _ : state) {
    StampLogo(target, logo, settings);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1000 * 1000);
  state.SetLabel(std::string(MaskName(settings.FMaskType)) +
                 (state.range(1) != 0 ? ", every pixel translucent" : ", soft ring"));
}
BENCHMARK(BM_StampAlphaLogo)
    ->ArgsProduct({{mkColor, mkBlackWhite, mkWhiteOnBlack}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// A 1000 x 1000 logo resampled to a square of the given side.
void BM_ResampleLogo(benchmark::State& state) {
  const LogoImage logo = MakeAlphaLogo(false);
  const auto side = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ResampleLogo(logo, side, side));
  }
  state.SetLabel(side < 1000 ? "area average" : "cubic");
}
BENCHMARK(BM_ResampleLogo)
    ->Arg(100)
    ->Arg(250)
    ->Arg(500)
    ->Arg(999)
    ->Arg(1001)
    ->Arg(1500)
    ->Arg(2000)
    ->Arg(3000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quelmar

BENCHMARK_MAIN();
