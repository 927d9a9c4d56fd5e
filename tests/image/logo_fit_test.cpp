#include "image/logo_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <ostream>

#include "image/logo_resample.h"
#include "image/stamp.h"
#include "support/raster_pixels.h"

namespace quelmar {
namespace {

using fixtures::Filled;
using fixtures::Get;
using fixtures::Grey;

struct FitCase {
  LogoFitting fitting;
  std::int32_t position;
  std::int32_t logo_w, logo_h, photo_w, photo_h;
  LogoFit expected;
};

void PrintTo(const FitCase& c, std::ostream* os) {
  *os << "scale " << c.fitting.scale_percent << "%, margin " << c.fitting.margin
      << (c.fitting.margin_is_percent ? "%" : "") << ", position " << c.position << ": logo "
      << c.logo_w << "x" << c.logo_h << " on " << c.photo_w << "x" << c.photo_h;
}

class FitLogoCase : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitLogoCase, GivesTheSizeMarginAndWhetherItFits) {
  const FitCase c = GetParam();
  const LogoFit fit = FitLogo(c.fitting, c.position, c.logo_w, c.logo_h, c.photo_w, c.photo_h);
  EXPECT_EQ(fit.width, c.expected.width);
  EXPECT_EQ(fit.height, c.expected.height);
  EXPECT_EQ(fit.margin, c.expected.margin);
  EXPECT_EQ(fit.fits, c.expected.fits);
}

// Worked by hand: the logo's longer side becomes scale% of the photo's shorter side.
INSTANTIATE_TEST_SUITE_P(
    Table, FitLogoCase,
    ::testing::Values(
        FitCase{{0, 0, false}, 0, 100, 50, 1280, 960, {100, 50, 0, true}},
        FitCase{{20, 0, false}, 5, 300, 100, 1280, 960, {192, 64, 0, true}},    // 960 * 20%
        FitCase{{20, 0, false}, 5, 300, 100, 6000, 4500, {900, 300, 0, true}},  // 4500 * 20%
        FitCase{{20, 0, false}, 2, 300, 100, 960, 1280, {192, 64, 0, true}},    // portrait
        FitCase{{20, 0, false}, 3, 100, 300, 1280, 960, {64, 192, 0, true}},    // a tall logo
        FitCase{{10, 0, false}, 0, 300, 100, 1000, 1000, {100, 33, 0, true}},   // 33.3 -> 33
        FitCase{{10, 0, false}, 0, 600, 100, 1000, 1000, {100, 17, 0, true}},   // 16.7 -> 17
        FitCase{{1, 0, false}, 0, 300, 100, 40, 30, {0, 0, 0, false}},   // 0.3 px: below one pixel
        FitCase{{1, 0, false}, 0, 100, 100, 70, 50, {1, 1, 0, true}},    // 0.5 px rounds up
        FitCase{{1, 0, false}, 4, 400, 100, 300, 300, {3, 1, 0, true}},  // 0.75 px high -> 1
        FitCase{{0, 5, true}, 5, 100, 50, 1280, 960, {100, 50, 48, true}},   // 5% of 960
        FitCase{{0, 1, true}, 5, 100, 50, 1280, 150, {100, 50, 2, true}},    // 1.5 -> 2
        FitCase{{0, 11, false}, 0, 100, 50, 120, 60, {100, 50, 11, false}},  // 61 rows needed
        FitCase{{0, 11, false}, 1, 100, 50, 120, 61, {100, 50, 11, true}},
        FitCase{{0, 11, false}, 1, 100, 50, 99, 61, {100, 50, 11, false}},  // wider than the photo
        FitCase{{0, 11, false}, 4, 100, 50, 100, 61, {100, 50, 11, true}},  // no margin across
        FitCase{{0, 21, false}, 2, 100, 50, 120, 100, {100, 50, 21, false}},  // 121 columns
        FitCase{{100, 0, false}, 0, 300, 100, 1280, 960, {960, 320, 0, true}},
        FitCase{{100, 1, false}, 3, 100, 300, 1280, 960, {320, 960, 1, false}},  // 961 rows
        FitCase{{100, 0, false}, 3, 100, 300, 1280, 960, {320, 960, 0, true}},
        FitCase{{150, -3, false}, 0, 300, 100, 1280, 960, {960, 320, 0, true}},  // clamped
        FitCase{{50, 10, false}, 0, 0, 0, 1280, 960, {0, 0, 10, true}}));        // empty logo

// An opaque white logo scaled to 10% with a 2% margin lands at the same share of a 1280- and
// a 6000-pixel photograph, against the edges of each of the six positions: measured as the
// box of changed pixels on a black photo.
TEST(FitLogo, PlacesTheScaledLogoWithItsMarginAtEverySixPositionsInProportion) {
  const LogoImage logo(Filled(240, 80, Grey(255)), Filled(240, 80, Grey(255)));
  const LogoFitting fitting{10, 2, true};
  for (const auto& [W, H] : {std::pair{1280, 853}, std::pair{6000, 4000}}) {
    const std::int32_t shorter = H;
    for (std::int32_t position = 0; position < 6; ++position) {
      const LogoFit fit = FitLogo(fitting, position, 240, 80, W, H);
      ASSERT_TRUE(fit.fits);
      Raster24 photo = Raster24::Uninitialized(W, H);
      for (std::int32_t y = 0; y < H; ++y) std::memset(photo.Row(y), 0, 3 * std::size_t(W));
      StampSettings settings;
      settings.FPosition = position;
      settings.FAlpha = 256;
      settings.fitting = fitting;
      StampLogo(photo, ResampleLogo(logo, fit.width, fit.height), settings);

      std::int32_t left = W, right = -1, top = H, bottom = -1;
      for (std::int32_t y = 0; y < H; ++y) {
        const std::uint8_t* row = photo.Row(y);
        const std::uint8_t* end = row + 3 * std::size_t(W);
        const std::uint8_t* first = std::find_if(row, end, [](std::uint8_t b) { return b != 0; });
        if (first == end) continue;
        const auto last =
            std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(row),
                         [](std::uint8_t b) { return b != 0; });
        left = std::min<std::int32_t>(left, static_cast<std::int32_t>((first - row) / 3));
        right =
            std::max<std::int32_t>(right, static_cast<std::int32_t>((last.base() - 1 - row) / 3));
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
      // The box: a tenth of the shorter side long, a third of that high, 2% of it from the
      // edges it touches.
      EXPECT_NEAR(right - left + 1, 0.1 * shorter, 1.0) << W << " position " << position;
      EXPECT_NEAR(bottom - top + 1, 0.1 * shorter / 3, 1.0) << W << " position " << position;
      const double margin = 0.02 * shorter;
      const double width = right - left + 1;
      const double expected_left = position % 3 == 0   ? margin
                                   : position % 3 == 1 ? (W - width) / 2
                                                       : W - width - margin;
      EXPECT_NEAR(left, expected_left, 1.0) << W << " position " << position;
      EXPECT_NEAR(position < 3 ? top : H - 1 - bottom, margin, 1.0)
          << W << " position " << position;
    }
  }
}

}  // namespace
}  // namespace quelmar
