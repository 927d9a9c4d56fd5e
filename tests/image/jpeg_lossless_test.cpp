#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "image/jpeg_file.h"
#include "image/jpeg_lossless.h"
#include "image/logo_fit.h"
#include "image/logo_resample.h"
#include "image/stamp.h"
#include "support/jpeg_coefficients.h"
#include "support/jpeg_lossless_support.h"
#include "support/jpeg_tools.h"

namespace quelmar {
namespace {

using namespace fixtures;

constexpr LosslessOutcome kSpliced = LosslessOutcome::kSpliced;
constexpr LosslessOutcome kNewTables = LosslessOutcome::kNewTables;
constexpr LosslessOutcome kRewritten = LosslessOutcome::kRewritten;

// The sources of the lossless mode: every sampling, grayscale, restart markers counted in MCUs
// and in rows, optimised tables, progressive, and sizes that end inside an MCU.
const std::vector<LosslessSource>& Sources() {
  static const std::vector<LosslessSource> sources = {
      {"s420", 200, 152, {"-sample", "2x2"}, kSpliced},
      {"s422", 200, 152, {"-sample", "2x1"}, kSpliced},
      {"s444", 200, 152, {"-sample", "1x1"}, kSpliced},
      {"gray", 200, 152, {"-grayscale"}, kSpliced},
      {"restart_mcus", 200, 152, {"-restart", "3B"}, kSpliced},
      {"restart_rows", 200, 152, {"-sample", "2x1", "-restart", "1"}, kSpliced},
      // The logo's sharp edges need codes the optimised tables lack: they get them in the room
      // the tables leave, or the scan is coded again when there is none.
      {"optimized", 200, 152, {"-optimize"}, kSpliced, kNewTables},
      {"progressive", 200, 152, {"-progressive"}, kRewritten},
      {"progressive_gray", 200, 152, {"-progressive", "-grayscale"}, kRewritten},
      {"separate_scans", 200, 152, {"-scans", "SCANS"}, kRewritten},
      {"odd420", 133, 71, {"-sample", "2x2"}, kSpliced},
      {"odd422_restart", 131, 77, {"-sample", "2x1", "-restart", "2B"}, kSpliced},
      {"odd_gray", 61, 45, {"-grayscale"}, kSpliced},
  };
  return sources;
}

struct LosslessCase {
  LosslessSource source;
  std::int32_t position;
  std::int32_t mask_type;
};

std::ostream& operator<<(std::ostream& out, const LosslessCase& c) {
  return out << c.source.name << " position " << c.position << " mask " << c.mask_type;
}

std::vector<LosslessCase> LosslessCases() {
  std::vector<LosslessCase> cases;
  for (const LosslessSource& source : Sources()) {
    for (std::int32_t position = kTopLeft; position <= kBottomRight; ++position) {
      for (std::int32_t mask = mkColor; mask <= mkWhiteOnBlack; ++mask) {
        cases.push_back({source, position, mask});
      }
    }
  }
  return cases;
}

// Every block outside the logo's MCUs keeps its coefficients, the output decodes without a
// warning, pixels away from the region are the source's, and the region's pixels are as close
// to the stamped source as a second generation with the source's own tables makes them.
void ExpectOnlyTheRegionRecoded(const LosslessSource& source_case, const LogoImage& logo,
                                const StampSettings& settings) {
  const std::vector<std::uint8_t> source = MakeSource(source_case);
  ASSERT_FALSE(source.empty());
  const LosslessJpeg result = StampLossless(source, logo, settings);
  EXPECT_TRUE(result.outcome == source_case.expected || result.outcome == source_case.also)
      << "outcome " << static_cast<int>(result.outcome) << ", fallback reason "
      << static_cast<int>(result.reason);
  ASSERT_FALSE(result.bytes.empty());

  const Coefficients before = ReadCoefficients(source);
  const Coefficients after = ReadCoefficients(result.bytes);
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(after.warnings, 0);
  EXPECT_EQ(after.progressive, before.progressive);
  EXPECT_EQ(after.restart_interval, before.restart_interval);
  const PixelRect region = RegionPixels(before, logo, settings);
  EXPECT_TRUE(SameOutsideRegion(before, after, region));

  const DecodedPixels decoded = DecodeUndithered(source);
  const DecodedPixels output = DecodeUndithered(result.bytes);
  ASSERT_TRUE(output.ok);
  EXPECT_EQ(output.warnings, 0);
  Raster24 stamped = decoded.pixels;
  StampLogo(stamped, logo, settings);
  const DecodedPixels second = DecodeUndithered(EncodeLike(stamped, source));
  const int lossless = LargestDifference(output.pixels, stamped, region);
  const int reference = LargestDifference(second.pixels, stamped, region);
  // The region's edge pixels read chroma from the untouched neighbours, which the reference
  // re-encodes as well; that is worth a few levels at most.
  EXPECT_LE(lossless, reference + 3) << "second generation " << reference;
  ::testing::Test::RecordProperty("largest_difference", lossless);
  ::testing::Test::RecordProperty("second_generation_difference", reference);

  // Beyond two pixels of the region (one chroma sample of upsampling) nothing moves.
  const PixelRect grown{region.x - 2, region.y - 2, region.w + 4, region.h + 4};
  for (std::int32_t y = 0; y < output.pixels.height(); ++y) {
    const bool rows_near = y >= grown.y && y < grown.y + grown.h;
    for (std::int32_t x = 0; x < output.pixels.width(); ++x) {
      if (rows_near && x >= grown.x && x < grown.x + grown.w) continue;
      ASSERT_TRUE(std::equal(output.pixels.Row(y) + 3 * x, output.pixels.Row(y) + 3 * x + 3,
                             decoded.pixels.Row(y) + 3 * x))
          << "pixel " << x << "," << y << " changed away from the region";
    }
  }
}

class StampJpegLosslessOn : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(StampJpegLosslessOn, KeepsEveryBlockOutsideTheRegion) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  const LosslessCase& c = GetParam();
  StampSettings settings;
  settings.FPosition = c.position;
  settings.FMaskType = c.mask_type;
  settings.FAlpha = 200;
  settings.FThreshold = 128;
  ExpectOnlyTheRegionRecoded(c.source, LogoImage(TestLogo(37, 23)), settings);
}

// A logo as a fitted run hands it over: resampled (with the alpha that gives it), kept a
// margin from the edges, at every position: the same pixels as the full path's stamp, within
// what quantising the region again costs.
class StampJpegLosslessWithAFittedLogo
    : public ::testing::TestWithParam<std::tuple<std::int32_t, std::int32_t>> {};

TEST_P(StampJpegLosslessWithAFittedLogo, RecodesOnlyTheRegionOfTheFittedLogo) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  const auto [position, mask_type] = GetParam();
  const LosslessSource source{"4:2:0", 203, 157, {"-sample", "2x2"}};
  StampSettings settings;
  settings.FPosition = position;
  settings.FMaskType = mask_type;
  settings.FAlpha = 230;
  settings.FThreshold = 128;
  settings.fitting = {30, 5, true};  // 47 pixels on the longer side, 8 pixels from the edges
  const LogoFit fit = FitLogo(settings.fitting, position, 37, 23, source.width, source.height);
  ASSERT_TRUE(fit.fits);
  ExpectOnlyTheRegionRecoded(
      source, ResampleLogo(LogoImage(TestLogo(37, 23)), fit.width, fit.height), settings);
}

INSTANTIATE_TEST_SUITE_P(
    PositionsAndMasks, StampJpegLosslessWithAFittedLogo,
    ::testing::Combine(::testing::Range<std::int32_t>(kTopLeft, kBottomRight + 1),
                       ::testing::Range<std::int32_t>(mkColor, mkWhiteOnBlack + 1)));

INSTANTIATE_TEST_SUITE_P(SourcesPositionsAndMasks, StampJpegLosslessOn,
                         ::testing::ValuesIn(LosslessCases()));

}  // namespace
}  // namespace quelmar
