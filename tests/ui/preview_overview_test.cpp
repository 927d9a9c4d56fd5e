#include "ui/preview_overview.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "support/file_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::EllipseLogo;
using fixtures::NoisyRaster;

constexpr std::int32_t kPaneWidth = 409;
constexpr std::int32_t kPaneHeight = 153;

bool SameRaster(const Raster24& a, const Raster24& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (std::int32_t y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.Row(y), b.Row(y), 3 * static_cast<std::size_t>(a.width())) != 0) return false;
  }
  return true;
}

struct Size {
  std::int32_t w;
  std::int32_t h;
};

TEST(FitOverview, FitsInsideThePaneWithItsProportionsAndCentred) {
  const Size sizes[] = {{1024, 768}, {6000, 4000}, {4000, 6000}, {410, 153}, {409, 154},
                        {5000, 10},  {10, 5000},   {818, 306},   {65535, 1}, {1, 65535}};
  for (const Size size : sizes) {
    const OverviewFit fit = FitOverview(size.w, size.h, kPaneWidth, kPaneHeight);
    SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h));
    EXPECT_GE(fit.w, 1);
    EXPECT_GE(fit.h, 1);
    EXPECT_LE(fit.w, kPaneWidth);
    EXPECT_LE(fit.h, kPaneHeight);
    // One side meets the pane's edge; the other keeps the proportions to within a pixel.
    EXPECT_TRUE(fit.w == kPaneWidth || fit.h == kPaneHeight);
    const double expected_h = static_cast<double>(fit.w) * size.h / size.w;
    const double expected_w = static_cast<double>(fit.h) * size.w / size.h;
    EXPECT_TRUE(std::abs(fit.h - expected_h) < 1.0 || std::abs(fit.w - expected_w) < 1.0 ||
                fit.w == 1 || fit.h == 1);
    EXPECT_LE(std::abs(2 * fit.x + fit.w - kPaneWidth), 1);
    EXPECT_LE(std::abs(2 * fit.y + fit.h - kPaneHeight), 1);
  }
}

TEST(FitOverview, KeepsASampleThatFitsAtItsOwnSize) {
  for (const Size size : {Size{409, 153}, Size{200, 100}, Size{1, 1}}) {
    const OverviewFit fit = FitOverview(size.w, size.h, kPaneWidth, kPaneHeight);
    EXPECT_EQ(fit.w, size.w);
    EXPECT_EQ(fit.h, size.h);
  }
}

TEST(ShrinkByArea, AveragesEachBlockOfAWholeFactor) {
  const Raster24 source = NoisyRaster(12, 9, 3);
  const Raster24 shrunk = ShrinkByArea(source, 4, 3);
  ASSERT_EQ(shrunk.width(), 4);
  ASSERT_EQ(shrunk.height(), 3);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 4; ++x) {
      for (int k = 0; k < 3; ++k) {
        int sum = 0;
        for (int dy = 0; dy < 3; ++dy) {
          for (int dx = 0; dx < 3; ++dx) sum += source.Row(3 * y + dy)[3 * (3 * x + dx) + k];
        }
        EXPECT_EQ(shrunk.Row(y)[3 * x + k], (sum + 4) / 9) << x << "," << y << "," << k;
      }
    }
  }
}

TEST(ShrinkByArea, KeepsAPlainColourAndCopiesAtTheSameSize) {
  Raster24 plain = Raster24::Uninitialized(37, 23);
  for (std::int32_t y = 0; y < plain.height(); ++y) {
    for (std::int32_t x = 0; x < plain.width(); ++x) {
      std::memcpy(plain.Row(y) + 3 * x, "\x12\x9a\xf0", 3);
    }
  }
  const Raster24 shrunk = ShrinkByArea(plain, 10, 7);
  for (std::int32_t y = 0; y < shrunk.height(); ++y) {
    for (std::int32_t x = 0; x < shrunk.width(); ++x) {
      EXPECT_EQ(std::memcmp(shrunk.Row(y) + 3 * x, "\x12\x9a\xf0", 3), 0);
    }
  }
  const Raster24 noisy = NoisyRaster(37, 23, 5);
  EXPECT_TRUE(SameRaster(ShrinkByArea(noisy, 37, 23), noisy));
  EXPECT_TRUE(ShrinkByArea(Raster24(), 10, 10).empty());
}

// The overview restamps only the pixels under the logo; it must show what shrinking a whole
// stamped copy shows, at every position and mask type, for factors that are not whole.
TEST(PreviewOverview, ShowsAShrunkStampedCopyOfTheWholeSample) {
  const Size samples[] = {{1000, 700}, {977, 331}, {300, 1200}, {200, 100}};
  const Raster24 logo = EllipseLogo(90, 40);
  const SharedLogo shared(logo);
  for (const Size size : samples) {
    const Raster24 sample = NoisyRaster(size.w, size.h, 9);
    PreviewOverview overview;
    for (std::int32_t position = 0; position <= 5; ++position) {
      for (std::int32_t mask = 0; mask <= 2; ++mask) {
        const StampSettings settings{position, mask, 200, 120};
        const PreviewPatch patch =
            overview.Render(sample, &shared, settings, kPaneWidth, kPaneHeight);
        Raster24 stamped = sample;
        StampLogo(stamped, logo, settings);
        const OverviewFit fit = FitOverview(size.w, size.h, kPaneWidth, kPaneHeight);
        SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h) + " at " +
                     std::to_string(position) + ", mask " + std::to_string(mask));
        EXPECT_TRUE(SameRaster(patch.pixels, ShrinkByArea(stamped, fit.w, fit.h)));
        EXPECT_EQ(patch.pane_x, fit.x);
        EXPECT_EQ(patch.pane_y, fit.y);
      }
    }
  }
}

TEST(PreviewOverview, ShowsTheSampleAloneWithoutALogoOrWithOneTooLarge) {
  const Raster24 sample = NoisyRaster(500, 60, 4);
  const Raster24 shrunk = ShrinkByArea(sample, 409, 49);
  PreviewOverview overview;
  const StampSettings settings{kBottomRight, mkColor, 256, 250};
  EXPECT_TRUE(SameRaster(overview.Render(sample, nullptr, settings, 409, 153).pixels, shrunk));
  const SharedLogo high_logo(EllipseLogo(50, 61));
  EXPECT_TRUE(SameRaster(overview.Render(sample, &high_logo, settings, 409, 153).pixels, shrunk));
  EXPECT_TRUE(overview.Render(Raster24(), &high_logo, settings, 409, 153).pixels.empty());
}

TEST(PreviewOverview, ShrinksANewSampleAfterForget) {
  PreviewOverview overview;
  const StampSettings settings;
  const Raster24 first = NoisyRaster(800, 300, 1);
  const Raster24 second = NoisyRaster(800, 300, 2);
  overview.Render(first, nullptr, settings, 409, 153);
  overview.Forget();
  const OverviewFit fit = FitOverview(800, 300, 409, 153);
  EXPECT_TRUE(SameRaster(overview.Render(second, nullptr, settings, 409, 153).pixels,
                         ShrinkByArea(second, fit.w, fit.h)));
}

}  // namespace
}  // namespace quelmar
