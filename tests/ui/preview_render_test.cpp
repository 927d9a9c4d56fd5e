#include "ui/preview_render.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "image/logo_fit.h"
#include "image/logo_resample.h"
#include "image/shared_logo.h"
#include "image/stamp.h"
#include "support/rasters.h"

namespace quelmar {
namespace {

using fixtures::EllipseLogo;
using fixtures::NoisyRaster;

constexpr std::int32_t kPaneWidth = 409;
constexpr std::int32_t kPaneHeight = 153;

TEST(AlignedOrigin, PlacesALargeSampleAroundTheLogoTruncatingTowardZero) {
  const PreviewPoint bottom_centre = AlignedOrigin(4, kPaneWidth, kPaneHeight, 1024, 768);
  EXPECT_EQ(bottom_centre.x, -307);
  EXPECT_EQ(bottom_centre.y, -615);
  const PreviewPoint top_centre = AlignedOrigin(1, kPaneWidth, kPaneHeight, 1024, 768);
  EXPECT_EQ(top_centre.x, -307);
  EXPECT_EQ(top_centre.y, 0);
  const PreviewPoint bottom_right = AlignedOrigin(5, kPaneWidth, kPaneHeight, 1024, 768);
  EXPECT_EQ(bottom_right.x, -615);
  EXPECT_EQ(bottom_right.y, -615);
}

TEST(AlignedOrigin, PlacesASmallSampleInsideThePane) {
  const PreviewPoint bottom_right = AlignedOrigin(5, kPaneWidth, kPaneHeight, 200, 100);
  EXPECT_EQ(bottom_right.x, 209);
  EXPECT_EQ(bottom_right.y, 53);
  const PreviewPoint top_left = AlignedOrigin(0, kPaneWidth, kPaneHeight, 200, 100);
  EXPECT_EQ(top_left.x, 0);
  EXPECT_EQ(top_left.y, 0);
}

TEST(AlignedOrigin, PutsTheExtraColumnOnTheRightWhenCentring) {
  EXPECT_EQ(AlignedOrigin(1, 101, 10, 50, 10).x, 25);
  EXPECT_EQ(AlignedOrigin(4, 101, 10, 50, 10).x, 25);
}

// The pane's view of a stamped copy of the whole sample, made the slow and obvious way: the
// logo resampled straight to the size its fitting gives it on the sample.
PreviewPatch ReferencePreview(const Raster24& sample, const Raster24* logo,
                              const StampSettings& settings) {
  Raster24 copy = sample;
  const LogoFit fit = logo != nullptr ? FitLogo(settings.fitting, settings.FPosition, logo->width(),
                                                logo->height(), sample.width(), sample.height())
                                      : LogoFit{};
  if (fit.fits && fit.width == logo->width() && fit.height == logo->height()) {
    StampLogo(copy, *logo, settings);
  } else if (fit.fits) {
    StampLogo(copy, ResampleLogo(LogoImage(*logo), fit.width, fit.height), settings);
  }
  const PreviewPoint origin =
      AlignedOrigin(settings.FPosition, kPaneWidth, kPaneHeight, sample.width(), sample.height());
  Raster24 pane = Raster24::Uninitialized(kPaneWidth, kPaneHeight);
  for (std::int32_t y = 0; y < kPaneHeight; ++y) std::memset(pane.Row(y), 0x5A, 3 * kPaneWidth);
  for (std::int32_t y = 0; y < copy.height(); ++y) {
    for (std::int32_t x = 0; x < copy.width(); ++x) {
      const std::int32_t px = origin.x + x;
      const std::int32_t py = origin.y + y;
      if (px < 0 || py < 0 || px >= kPaneWidth || py >= kPaneHeight) continue;
      std::memcpy(pane.Row(py) + 3 * px, copy.Row(y) + 3 * x, 3);
    }
  }
  PreviewPatch patch;
  patch.pixels = std::move(pane);
  return patch;
}

// patch drawn over a pane of 0x5A bytes.
Raster24 OnPane(const PreviewPatch& patch) {
  Raster24 pane = Raster24::Uninitialized(kPaneWidth, kPaneHeight);
  for (std::int32_t y = 0; y < kPaneHeight; ++y) std::memset(pane.Row(y), 0x5A, 3 * kPaneWidth);
  for (std::int32_t y = 0; y < patch.pixels.height(); ++y) {
    EXPECT_GE(patch.pane_y + y, 0);
    EXPECT_LT(patch.pane_y + y, kPaneHeight);
    EXPECT_GE(patch.pane_x, 0);
    EXPECT_LE(patch.pane_x + patch.pixels.width(), kPaneWidth);
    std::memcpy(pane.Row(patch.pane_y + y) + 3 * patch.pane_x, patch.pixels.Row(y),
                3 * static_cast<std::size_t>(patch.pixels.width()));
  }
  return pane;
}

// RenderPreview with the logo as the window shares it.
PreviewPatch RenderWith(const Raster24& sample, const Raster24& logo,
                        const StampSettings& settings) {
  const SharedLogo shared = logo;
  return RenderPreview(sample, &shared, settings, kPaneWidth, kPaneHeight);
}

struct SizeCase {
  std::int32_t sample_w, sample_h, logo_w, logo_h;
};

class RenderPreviewMatchesAStampedCopy
    : public ::testing::TestWithParam<std::tuple<SizeCase, std::int32_t, std::int32_t>> {};

TEST_P(RenderPreviewMatchesAStampedCopy, AtEveryPositionAndMaskType) {
  const auto [sizes, position, mask_type] = GetParam();
  const Raster24 sample = NoisyRaster(sizes.sample_w, sizes.sample_h, 7);
  const Raster24 logo = EllipseLogo(sizes.logo_w, sizes.logo_h);
  StampSettings settings;
  settings.FPosition = position;
  settings.FMaskType = mask_type;
  settings.FAlpha = 200;
  settings.FThreshold = 128;

  const PreviewPatch fast = RenderWith(sample, logo, settings);
  const PreviewPatch reference = ReferencePreview(sample, &logo, settings);

  EXPECT_TRUE(OnPane(fast) == reference.pixels);
}

// With the logo scaled to the sample and kept from its edges, at every position.
class RenderPreviewOfAFittedLogo
    : public ::testing::TestWithParam<std::tuple<LogoFitting, std::int32_t>> {};

TEST_P(RenderPreviewOfAFittedLogo, MatchesAStampedCopy) {
  const auto [fitting, position] = GetParam();
  const Raster24 sample = NoisyRaster(640, 300, 11);
  const Raster24 logo = EllipseLogo(90, 40);
  for (std::int32_t mask_type : {mkColor, mkWhiteOnBlack}) {
    StampSettings settings;
    settings.FPosition = position;
    settings.FMaskType = mask_type;
    settings.FAlpha = 220;
    settings.FThreshold = 128;
    settings.fitting = fitting;

    const PreviewPatch fast = RenderWith(sample, logo, settings);

    EXPECT_TRUE(OnPane(fast) == ReferencePreview(sample, &logo, settings).pixels)
        << "mask " << mask_type;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fittings, RenderPreviewOfAFittedLogo,
    ::testing::Combine(::testing::Values(LogoFitting{40, 0, false},      // grown: 120 x 53
                                         LogoFitting{10, 6, false},      // shrunk: 30 x 13
                                         LogoFitting{0, 5, true},        // 15 pixels off the edges
                                         LogoFitting{1, 0, false},       // 3 x 1
                                         LogoFitting{100, 200, false}),  // no room: no logo
                       ::testing::Range(0, 6)));

INSTANTIATE_TEST_SUITE_P(
    SamplesAndLogos, RenderPreviewMatchesAStampedCopy,
    ::testing::Combine(::testing::Values(SizeCase{1024, 768, 120, 60},   // logo inside the view
                                         SizeCase{1024, 768, 900, 700},  // logo cut by the pane
                                         SizeCase{409, 153, 409, 153},   // both fill the pane
                                         SizeCase{200, 100, 31, 17},     // small sample
                                         SizeCase{600, 90, 500, 80},     // wide, low sample
                                         SizeCase{150, 400, 101, 333}),  // narrow, high sample
                       ::testing::Range(0, 6), ::testing::Range(0, 3)));

TEST(RenderPreview, ChoosesTheInkOfMaskType2OverTheWholeLogoEvenWhereThePaneDoesNotReach) {
  // Dark everywhere except the pane's view: a count over the visible part alone would pick
  // black ink, the whole area picks white.
  Raster24 sample = Raster24::Uninitialized(2000, 2000);
  for (std::int32_t y = 0; y < 2000; ++y) std::memset(sample.Row(y), 0, 3 * 2000);
  for (std::int32_t y = 0; y < kPaneHeight; ++y) std::memset(sample.Row(y), 250, 3 * kPaneWidth);
  Raster24 logo = Raster24::Uninitialized(2000, 2000);
  for (std::int32_t y = 0; y < 2000; ++y) std::memset(logo.Row(y), 200, 3 * 2000);
  logo.Row(0)[0] = 0;  // only the corner pixel is transparent
  StampSettings settings;
  settings.FMaskType = mkWhiteOnBlack;
  settings.FAlpha = 256;
  settings.FThreshold = 128;

  const PreviewPatch fast = RenderWith(sample, logo, settings);

  EXPECT_TRUE(OnPane(fast) == ReferencePreview(sample, &logo, settings).pixels);
  EXPECT_GT(fast.pixels.Row(10)[30], 250);  // whitened, not darkened
}

TEST(RenderPreview, ShowsASampleSmallerThanTheLogoWithoutTheLogo) {
  const Raster24 sample = NoisyRaster(100, 80, 3);
  const Raster24 logo = EllipseLogo(120, 40);
  StampSettings settings;
  settings.FAlpha = 256;
  settings.FPosition = kBottomRight;

  const PreviewPatch patch = RenderWith(sample, logo, settings);

  EXPECT_EQ(patch.pane_x, 309);
  EXPECT_EQ(patch.pane_y, 73);
  EXPECT_TRUE(patch.pixels == sample);
}

TEST(RenderPreview, ShowsThePlainSampleWhenNoLogoIsLoaded) {
  const Raster24 sample = NoisyRaster(1024, 768, 5);
  StampSettings settings;
  settings.FPosition = kBottomCentre;

  const PreviewPatch patch = RenderPreview(sample, nullptr, settings, kPaneWidth, kPaneHeight);

  ASSERT_EQ(patch.pixels.width(), kPaneWidth);
  ASSERT_EQ(patch.pixels.height(), kPaneHeight);
  EXPECT_EQ(patch.pane_x, 0);
  EXPECT_EQ(patch.pane_y, 0);
  EXPECT_EQ(std::memcmp(patch.pixels.Row(0), sample.Row(615) + 3 * 307, 3 * kPaneWidth), 0);
  EXPECT_EQ(std::memcmp(patch.pixels.Row(152), sample.Row(767) + 3 * 307, 3 * kPaneWidth), 0);
}

TEST(RenderPreview, GivesNothingForAnEmptySample) {
  const Raster24 logo = EllipseLogo(10, 10);
  const PreviewPatch patch = RenderWith(Raster24(), logo, StampSettings{});
  EXPECT_TRUE(patch.pixels.empty());
}

TEST(RenderPreview, LeavesTheSampleUnstamped) {
  const Raster24 sample = NoisyRaster(300, 120, 9);
  const Raster24 before = sample;
  const Raster24 logo = EllipseLogo(100, 50);
  StampSettings settings;
  settings.FAlpha = 256;

  RenderWith(sample, logo, settings);

  EXPECT_TRUE(sample == before);
}

}  // namespace
}  // namespace quelmar
