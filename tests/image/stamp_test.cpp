#include "image/stamp.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ostream>
#include <random>
#include <vector>

#include "base/errors.h"
#include "support/raster_pixels.h"

namespace quelmar {
namespace {

using fixtures::AllBytes;
using fixtures::Filled;
using fixtures::Get;
using fixtures::Grey;
using fixtures::Pixel;
using fixtures::Put;

constexpr Pixel kClear{7, 8, 9};  // the top-left colour of the test logos

StampSettings Settings(std::int32_t mask, std::int32_t alpha, std::int32_t position = kTopLeft,
                       std::uint8_t threshold = 250) {
  StampSettings s;
  s.FMaskType = mask;
  s.FAlpha = alpha;
  s.FPosition = position;
  s.FThreshold = threshold;
  return s;
}

// An independent rendering of the stamp, pixel by pixel in double precision; the default
// rounding mode of nearbyint takes exact halves to the even neighbour.
Raster24 ReferenceStamp(const Raster24& target, const Raster24& logo, const StampSettings& s) {
  Raster24 out = target;
  const int W = target.width(), H = target.height(), w = logo.width(), h = logo.height();
  const int x0 = (s.FPosition == 1 || s.FPosition == 4)   ? (W - w) / 2
                 : (s.FPosition == 2 || s.FPosition == 5) ? W - w
                                                          : 0;
  const int y0 = s.FPosition >= 3 ? H - h : 0;
  const Pixel clear = Get(logo, 0, 0);
  auto drawn = [&](int x, int y) { return Get(logo, x, y) != clear; };
  double ink = 0;
  if (s.FMaskType == 2) {
    int dark = 0, light = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (!drawn(x, y)) continue;
        const Pixel t = Get(target, x0 + x, y0 + y);
        const int lightness = (std::max({t[0], t[1], t[2]}) + std::min({t[0], t[1], t[2]})) / 2;
        (lightness < s.FThreshold ? dark : light)++;
      }
    }
    ink = dark > light ? 255 : 0;
  }
  const double a = s.FAlpha;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!drawn(x, y)) continue;
      const Pixel l = Get(logo, x, y);
      Pixel t = Get(target, x0 + x, y0 + y);
      for (int c = 0; c < 3; ++c) {
        double v;
        if (s.FMaskType == 0) {
          v = ((256 - a) * t[c] + l[c] * a) / 256;
        } else {
          const double k = s.FMaskType == 1 ? 2.0 * std::abs(l[c] - 128) : ink;
          v = (k * l[c] * a + (65536 - l[c] * a) * t[c]) / 65536;
        }
        t[c] = static_cast<std::uint8_t>(std::nearbyint(v));
      }
      Put(out, x0 + x, y0 + y, t);
    }
  }
  return out;
}

TEST(Lightness, IsTheMeanOfTheLargestAndSmallestByteRoundedDown) {
  EXPECT_EQ(Lightness(10, 200, 30), 105);
  EXPECT_EQ(Lightness(255, 255, 254), 254);
  EXPECT_EQ(Lightness(0, 0, 1), 0);
  EXPECT_EQ(Lightness(255, 255, 255), 255);
  EXPECT_EQ(Lightness(30, 10, 200), 105);
  EXPECT_EQ(Lightness(200, 30, 10), 105);
}

struct WorkedExample {
  std::int32_t mask;
  std::int32_t alpha;
  std::uint8_t t;
  std::uint8_t l;
  std::uint8_t ink;
  std::uint8_t expected;
};

void PrintTo(const WorkedExample& e, std::ostream* os) {
  *os << "mask " << e.mask << ", A " << e.alpha << ", t " << int{e.t} << ", l " << int{e.l};
}

class StampWorkedExample : public ::testing::TestWithParam<WorkedExample> {};

// The logo is 20 x 1: its clear top-left pixel, the example's pixel at x = 1 and again at x = 17
// (inside and after the first 16 pixels), and helpers whose target pixels (black or white) make
// the ink of mask type 2 come out as the example says.
TEST_P(StampWorkedExample, GivesTheExpectedByteInEveryChannel) {
  const WorkedExample e = GetParam();
  Raster24 logo = Filled(20, 1, Grey(100));
  Put(logo, 0, 0, kClear);
  Raster24 target = Filled(20, 1, Grey(e.ink == 255 ? 0 : 255));
  for (std::int32_t x : {1, 17}) {
    Put(logo, x, 0, Grey(e.l));
    Put(target, x, 0, Grey(e.t));
  }

  StampLogo(target, logo, Settings(e.mask, e.alpha));

  EXPECT_EQ(Get(target, 1, 0), Grey(e.expected));
  EXPECT_EQ(Get(target, 17, 0), Grey(e.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, StampWorkedExample,
    ::testing::Values(
        WorkedExample{0, 128, 100, 200, 0, 150}, WorkedExample{0, 20, 10, 250, 0, 29},
        WorkedExample{0, 128, 0, 1, 0, 0}, WorkedExample{0, 128, 0, 3, 0, 2},
        WorkedExample{0, 128, 0, 5, 0, 2}, WorkedExample{1, 256, 50, 200, 0, 123},
        WorkedExample{1, 256, 200, 128, 0, 100}, WorkedExample{1, 256, 0, 255, 0, 253},
        WorkedExample{2, 256, 40, 128, 255, 148}, WorkedExample{2, 256, 200, 255, 0, 1},
        WorkedExample{2, 256, 255, 255, 255, 255}, WorkedExample{2, 256, 0, 255, 255, 254}));

// Random rasters with transparent pixels, near misses of the transparent colour, widths on
// both sides of the vector loop's 16-pixel chunks, every mask type and position.
TEST(StampLogo, MatchesTheReferenceOnRandomRastersForEveryMaskTypeAndPosition) {
  std::mt19937 random(12345);
  auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
  for (int round = 0; round < 400; ++round) {
    const std::int32_t w = 1 + static_cast<std::int32_t>(random() % 80);
    const std::int32_t h = 1 + static_cast<std::int32_t>(random() % 4);
    const std::int32_t W = w + static_cast<std::int32_t>(random() % 5);
    const std::int32_t H = h + static_cast<std::int32_t>(random() % 3);
    // Rounds without transparent pixels (but the corner), with some, and with mostly such.
    const unsigned clear_eighths = round % 4 == 0 ? 0 : round % 4 == 3 ? 7 : 2;
    Raster24 logo = Filled(w, h, kClear);
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        if ((x == 0 && y == 0) || random() % 8 < clear_eighths) continue;
        Pixel p{byte(), byte(), byte()};
        if (random() % 4 == 0) {
          p = kClear;
          p[random() % 3] += (random() % 2) ? 1 : -1;
        }
        Put(logo, x, y, p);
      }
    }
    Raster24 target = Filled(W, H, Grey(0));
    for (std::int32_t y = 0; y < H; ++y) {
      for (std::int32_t x = 0; x < W; ++x) Put(target, x, y, {byte(), byte(), byte()});
    }
    const std::int32_t alphas[] = {0, 1, 127, 128, 200, 255, 256};
    const StampSettings s = Settings(static_cast<std::int32_t>(round % 3), alphas[random() % 7],
                                     static_cast<std::int32_t>(random() % 6), byte());
    const Raster24 expected = ReferenceStamp(target, logo, s);

    StampLogo(target, logo, s);

    ASSERT_EQ(AllBytes(target), AllBytes(expected))
        << "round " << round << ": logo " << w << "x" << h << " on " << W << "x" << H << ", mask "
        << s.FMaskType << ", alpha " << s.FAlpha << ", position " << s.FPosition;
  }
}

TEST(StampLogo, LeavesTargetUnchanged_WhenDensityIsZero) {
  Raster24 logo = Filled(20, 3, Grey(255));
  Put(logo, 0, 0, kClear);
  for (std::int32_t mask : {0, 1, 2}) {
    Raster24 target = Filled(20, 3, {13, 140, 250});
    const Raster24 before = target;
    StampLogo(target, logo, Settings(mask, 0));
    EXPECT_EQ(AllBytes(target), AllBytes(before)) << "mask " << mask;
  }
}

TEST(StampLogo, PaintsTheLogoExactly_WhenColourDensityIs256) {
  Raster24 logo = Filled(18, 2, {1, 2, 3});
  Put(logo, 0, 0, kClear);
  Put(logo, 17, 1, {250, 0, 77});
  Raster24 target = Filled(18, 2, {200, 100, 50});

  StampLogo(target, logo, Settings(mkColor, 256));

  EXPECT_EQ(Get(target, 0, 0), (Pixel{200, 100, 50}));
  EXPECT_EQ(Get(target, 1, 0), (Pixel{1, 2, 3}));
  EXPECT_EQ(Get(target, 17, 1), (Pixel{250, 0, 77}));
}

TEST(StampLogo, CoversTheWholeTargetFromEveryPosition_WhenLogoHasTheTargetsSize) {
  Raster24 logo = Filled(5, 3, {10, 20, 30});
  Put(logo, 0, 0, kClear);
  for (std::int32_t position = 0; position < 6; ++position) {
    Raster24 target = Filled(5, 3, Grey(99));
    StampLogo(target, logo, Settings(mkColor, 256, position));
    EXPECT_EQ(Get(target, 0, 0), Grey(99)) << position;
    EXPECT_EQ(Get(target, 1, 0), (Pixel{10, 20, 30})) << position;
    EXPECT_EQ(Get(target, 4, 2), (Pixel{10, 20, 30})) << position;
  }
}

TEST(StampLogo, LeavesTargetUnchanged_WhenEveryLogoPixelIsTheTopLeftColour) {
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{37, 4}}) {
    const Raster24 logo = Filled(w, h, kClear);
    for (std::int32_t mask : {0, 1, 2}) {
      Raster24 target = Filled(40, 5, Grey(0));
      const Raster24 before = target;
      StampLogo(target, logo, Settings(mask, 256, kBottomRight));
      EXPECT_EQ(AllBytes(target), AllBytes(before)) << w << "x" << h << " mask " << mask;
    }
  }
}

TEST(StampLogo, ReturnsAtOnceWithoutError_WhenLogoIsEmpty) {
  const Raster24 logo;
  Raster24 target = Filled(3, 3, Grey(5));
  const Raster24 before = target;
  EXPECT_NO_THROW(StampLogo(target, logo, Settings(mkColor, 256, kBottomRight)));
  EXPECT_EQ(AllBytes(target), AllBytes(before));
  Raster24 empty_target;
  EXPECT_NO_THROW(StampLogo(empty_target, logo, Settings(mkWhiteOnBlack, 256)));
}

TEST(StampLogo, DrawsAPixel_WhenItDiffersFromTheTopLeftColourByOneInOneChannel) {
  for (int channel = 0; channel < 3; ++channel) {
    Pixel near = kClear;
    near[channel] += 1;
    Raster24 logo = Filled(2, 1, kClear);
    Put(logo, 1, 0, near);
    Raster24 target = Filled(2, 1, Grey(200));
    StampLogo(target, logo, Settings(mkColor, 256));
    EXPECT_EQ(Get(target, 1, 0), near) << "channel " << channel;
  }
}

TEST(StampLogo, BlackLogoPixelChangesNothingInInkMasksButPaintsBlackInColour) {
  Raster24 logo = Filled(20, 1, Grey(0));
  Put(logo, 0, 0, kClear);
  for (std::int32_t mask : {1, 2}) {
    Raster24 target = Filled(20, 1, {30, 140, 250});
    StampLogo(target, logo, Settings(mask, 256));
    EXPECT_EQ(Get(target, 5, 0), (Pixel{30, 140, 250})) << "mask " << mask;
  }
  Raster24 target = Filled(20, 1, {30, 140, 250});
  StampLogo(target, logo, Settings(mkColor, 64));
  // (192 * t) / 256: 22.5 -> 22, 105 -> 105, 187.5 -> 188.
  EXPECT_EQ(Get(target, 5, 0), (Pixel{22, 105, 188}));
  EXPECT_EQ(Get(target, 19, 0), (Pixel{22, 105, 188}));
}

// The logo is 3 x 2 with its clear corner, so its drawn pixels show where it landed. With a
// margin it keeps that many pixels from each edge it touches; centred, from the top or bottom
// edge only.
TEST(StampLogo, PlacesTheLogoAgainstTheEdgesOfEachPositionWithItsMargin) {
  struct Place {
    std::int32_t position, margin, x0, y0;
  };
  for (const Place p : {Place{0, 0, 0, 0}, Place{1, 0, 2, 0}, Place{2, 0, 5, 0}, Place{3, 0, 0, 4},
                        Place{4, 0, 2, 4}, Place{5, 0, 5, 4}, Place{0, 2, 2, 2}, Place{1, 2, 2, 2},
                        Place{2, 2, 3, 2}, Place{3, 2, 2, 2}, Place{4, 2, 2, 2}, Place{5, 2, 3, 2},
                        Place{5, 1, 4, 3}, Place{3, -4, 0, 4}}) {
    Raster24 logo = Filled(3, 2, Grey(255));
    Put(logo, 0, 0, kClear);
    Raster24 target = Filled(8, 6, Grey(0));
    StampSettings s = Settings(mkColor, 256, p.position);
    s.fitting.margin = p.margin;
    StampLogo(target, logo, s);
    for (std::int32_t y = 0; y < 6; ++y) {
      for (std::int32_t x = 0; x < 8; ++x) {
        const bool under =
            x >= p.x0 && x < p.x0 + 3 && y >= p.y0 && y < p.y0 + 2 && !(x == p.x0 && y == p.y0);
        EXPECT_EQ(Get(target, x, y), Grey(under ? 255 : 0))
            << "position " << p.position << ", margin " << p.margin << " at " << x << "," << y;
      }
    }
  }
}

// A margin that pushes the logo out: past the top or bottom edge the row error, before any
// pixel changes; past a side the target is left unstamped.
TEST(StampLogo, RefusesAMarginThatPushesTheLogoOutOfTheTarget) {
  Raster24 logo = Filled(3, 2, Grey(255));
  Put(logo, 0, 0, kClear);
  for (std::int32_t position = 0; position < 6; ++position) {
    Raster24 low = Filled(9, 4, Grey(0));
    StampSettings s = Settings(mkColor, 256, position);
    s.fitting.margin = 3;
    EXPECT_THROW(StampLogo(low, logo, s), EInvalidOperation) << position;
    EXPECT_EQ(AllBytes(low), AllBytes(Filled(9, 4, Grey(0))));
    Raster24 narrow = Filled(5, 9, Grey(0));
    StampLogo(narrow, logo, s);
    // Centred, the margin does not apply across: the logo still fits.
    const bool stamped = position == kTopCentre || position == kBottomCentre;
    EXPECT_EQ(AllBytes(narrow) != AllBytes(Filled(5, 9, Grey(0))), stamped) << position;
  }
}

TEST(StampLogo, PutsTheExtraColumnOnTheRight_WhenCentredWithAnOddMargin) {
  for (std::int32_t position : {kTopCentre, kBottomCentre}) {
    Raster24 logo = Filled(50, 1, Grey(255));
    Put(logo, 0, 0, kClear);
    Raster24 target = Filled(101, 1, Grey(0));
    StampLogo(target, logo, Settings(mkColor, 256, position));
    EXPECT_EQ(Get(target, 25, 0), Grey(0)) << "the clear corner is at x0 = 25";
    EXPECT_EQ(Get(target, 24, 0), Grey(0));
    EXPECT_EQ(Get(target, 26, 0), Grey(255));
    EXPECT_EQ(Get(target, 74, 0), Grey(255));
    EXPECT_EQ(Get(target, 75, 0), Grey(0));
  }
}

// The ink mask type 2 chooses over the given target pixels, each under a white logo pixel; the
// target pixel under the logo's clear corner is black and must not count. White ink lifts a
// drawn byte to 254 or more, black ink leaves it at 1 or less.
std::uint8_t InkOver(const std::vector<Pixel>& under, std::uint8_t threshold) {
  const auto w = static_cast<std::int32_t>(under.size()) + 1;
  Raster24 logo = Filled(w, 1, Grey(255));
  Put(logo, 0, 0, kClear);
  Raster24 target = Filled(w, 1, Grey(0));
  for (std::int32_t x = 1; x < w; ++x) Put(target, x, 0, under[x - 1]);
  StampLogo(target, logo, Settings(mkWhiteOnBlack, 256, kTopLeft, threshold));
  return Get(target, 1, 0)[0] >= 128 ? 255 : 0;
}

std::vector<Pixel> Pixels(std::int32_t count, Pixel colour) {
  return std::vector<Pixel>(static_cast<std::size_t>(count), colour);
}

std::vector<Pixel> operator+(std::vector<Pixel> a, const std::vector<Pixel>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(StampLogo, WhiteOnBlackInksWhiteOnlyWhenDarkPixelsOutnumberLightOnes) {
  EXPECT_EQ(InkOver(Pixels(21, Grey(0)) + Pixels(20, Grey(255)), 128), 255);
  EXPECT_EQ(InkOver(Pixels(20, Grey(0)) + Pixels(20, Grey(255)), 128), 0);  // a tie: black
  EXPECT_EQ(InkOver(Pixels(1, Grey(0)) + Pixels(1, Grey(255)), 128), 0);
  EXPECT_EQ(InkOver(Pixels(30, Grey(0)), 0), 0);  // at threshold 0 nothing is dark
}

TEST(StampLogo, WhiteOnBlackCountsALightnessEqualToTheThresholdAsLight) {
  // (156 + 100) / 2 = 128 equals the threshold: one light, one dark.
  EXPECT_EQ(InkOver({{100, 156, 120}, Grey(0)}, 128), 0);
  EXPECT_EQ(InkOver({{100, 155, 120}, Grey(0)}, 128), 255);  // lightness 127: two dark
}

TEST(StampLogo, WhiteOnBlackCountsOnlyFullLightnessAsLight_AtThreshold255) {
  EXPECT_EQ(InkOver({{255, 255, 254}, Grey(255)}, 255), 0);  // lightness 254 against 255: a tie
  EXPECT_EQ(InkOver({{255, 255, 254}, {254, 255, 255}, Grey(255)}, 255), 255);
}

TEST(StampLogo, WhiteOnBlackCountsOnlyTargetPixelsUnderDrawnLogoPixels) {
  // Black target everywhere, but only one drawn logo pixel, over a white target pixel.
  Raster24 logo = Filled(30, 2, kClear);
  Put(logo, 29, 1, Grey(128));
  Raster24 target = Filled(30, 2, Grey(0));
  Put(target, 29, 1, Grey(250));

  StampLogo(target, logo, Settings(mkWhiteOnBlack, 256, kTopLeft, 250));

  // Ink 0: 250 * 32768 / 65536 = 125.
  EXPECT_EQ(Get(target, 29, 1), Grey(125));
}

TEST(StampLogo, FailsWithTheScanlineErrorAndChangesNothing_WhenLogoIsHigherThanTarget) {
  Raster24 logo = Filled(2, 4, Grey(255));
  Put(logo, 0, 0, kClear);
  for (std::int32_t position = 0; position < 6; ++position) {
    for (std::int32_t target_width : {2, 1}) {
      Raster24 target = Filled(target_width, 3, Grey(0));
      const Raster24 before = target;
      try {
        StampLogo(target, logo, Settings(mkColor, 256, position));
        ADD_FAILURE() << "no error at position " << position;
      } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "スキャンライン のインデックスが範囲を越えました");
      }
      EXPECT_EQ(AllBytes(target), AllBytes(before));
    }
  }
}

TEST(StampLogo, LeavesTargetUnstamped_WhenTargetIsNarrowerThanLogo) {
  Raster24 logo = Filled(20, 2, Grey(255));
  Put(logo, 0, 0, kClear);
  for (std::int32_t position = 0; position < 6; ++position) {
    for (std::int32_t mask : {0, 1, 2}) {
      Raster24 target = Filled(19, 3, Grey(40));
      const Raster24 before = target;
      EXPECT_NO_THROW(StampLogo(target, logo, Settings(mask, 256, position)));
      EXPECT_EQ(AllBytes(target), AllBytes(before)) << "position " << position;
    }
  }
}

TEST(StampLogo, ClampsSettingsOutsideTheirRanges) {
  Raster24 logo = Filled(2, 1, {10, 20, 30});
  Put(logo, 0, 0, kClear);
  Raster24 target = Filled(3, 1, Grey(0));
  StampSettings s = Settings(7, 1000, 9);  // as mask type 2, density 256, bottom right
  StampLogo(target, logo, s);
  Raster24 expected = Filled(3, 1, Grey(0));
  StampLogo(expected, logo, Settings(mkWhiteOnBlack, 256, kBottomRight));
  EXPECT_EQ(AllBytes(target), AllBytes(expected));
}

// The region of a stamped copy, cut out, is what StampedRegion gives: in every mask type and
// position, for regions that cut through the logo, miss it, or hold all of it.
TEST(StampedRegion, GivesTheRegionOfAStampedCopyWithoutChangingTheTarget) {
  std::mt19937 random(777);
  auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
  for (int round = 0; round < 200; ++round) {
    const std::int32_t W = 8 + static_cast<std::int32_t>(random() % 40);
    const std::int32_t H = 4 + static_cast<std::int32_t>(random() % 20);
    const std::int32_t w = 1 + static_cast<std::int32_t>(random() % W);
    const std::int32_t h = 1 + static_cast<std::int32_t>(random() % H);
    Raster24 logo = Filled(w, h, kClear);
    Raster24 target = Filled(W, H, Grey(0));
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        if ((x || y) && random() % 4 != 0) Put(logo, x, y, {byte(), byte(), byte()});
      }
    }
    for (std::int32_t y = 0; y < H; ++y) {
      for (std::int32_t x = 0; x < W; ++x) Put(target, x, y, {byte(), byte(), byte()});
    }
    const StampSettings s = Settings(round % 3, 1 + static_cast<std::int32_t>(random() % 256),
                                     static_cast<std::int32_t>(random() % 6), byte());
    PixelRect region;
    region.x = static_cast<std::int32_t>(random() % W);
    region.y = static_cast<std::int32_t>(random() % H);
    region.w = 1 + static_cast<std::int32_t>(random() % (W - region.x));
    region.h = 1 + static_cast<std::int32_t>(random() % (H - region.y));
    const Raster24 before = target;
    Raster24 stamped = target;
    StampLogo(stamped, logo, s);

    const Raster24 part = StampedRegion(target, logo, s, region);

    ASSERT_EQ(part.width(), region.w);
    ASSERT_EQ(part.height(), region.h);
    for (std::int32_t y = 0; y < region.h; ++y) {
      for (std::int32_t x = 0; x < region.w; ++x) {
        ASSERT_EQ(Get(part, x, y), Get(stamped, region.x + x, region.y + y))
            << "round " << round << " at " << x << "," << y;
      }
    }
    ASSERT_EQ(AllBytes(target), AllBytes(before));
  }
}

TEST(StampedRegion, LeavesTheRegionUnstamped_WhenTheTargetIsSmallerThanTheLogo) {
  Raster24 logo = Filled(4, 4, {1, 2, 3});
  Put(logo, 0, 0, kClear);
  const Raster24 lower = Filled(6, 3, Grey(90));
  const Raster24 narrower = Filled(3, 6, Grey(90));
  for (const Raster24* target : {&lower, &narrower}) {
    const Raster24 part = StampedRegion(*target, logo, Settings(mkColor, 256, kTopLeft),
                                        PixelRect{0, 0, target->width(), target->height()});
    for (std::int32_t y = 0; y < target->height(); ++y) {
      for (std::int32_t x = 0; x < target->width(); ++x) {
        EXPECT_EQ(Get(part, x, y), Get(*target, x, y)) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace quelmar
