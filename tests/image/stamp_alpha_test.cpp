// The stamp of a logo with an alpha plane: each pixel's weight is its alpha times the density.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <random>
#include <vector>

#include "image/stamp.h"
#include "support/raster_pixels.h"

namespace quelmar {
namespace {

using fixtures::AllBytes;
using fixtures::Filled;
using fixtures::Get;
using fixtures::Grey;
using fixtures::Pixel;
using fixtures::Put;
using fixtures::RandomRaster;

StampSettings Settings(std::int32_t mask, std::int32_t density, std::int32_t position = kTopLeft,
                       std::uint8_t threshold = 250, std::int32_t margin = 0) {
  StampSettings s;
  s.FMaskType = mask;
  s.FAlpha = density;
  s.FPosition = position;
  s.FThreshold = threshold;
  s.fitting.margin = margin;
  return s;
}

LogoImage WithAlpha(const Raster24& colour, const std::vector<std::uint8_t>& alphas) {
  Raster24 alpha = Filled(colour.width(), colour.height(), Grey(0));
  for (std::int32_t y = 0; y < colour.height(); ++y) {
    for (std::int32_t x = 0; x < colour.width(); ++x) {
      Put(alpha, x, y, Grey(alphas[static_cast<std::size_t>(y) * colour.width() + x]));
    }
  }
  return LogoImage(colour, alpha);
}

// Alphas in runs of up to 40 pixels, each clear, solid or of random values: the solid and clear
// parts of a logo, long enough to fill the kernel's 16-pixel chunks, and its soft edges.
std::vector<std::uint8_t> RandomAlphas(std::size_t count, std::mt19937& random) {
  std::vector<std::uint8_t> alphas(count);
  std::size_t run_left = 0;
  unsigned kind = 0;
  for (std::uint8_t& a : alphas) {
    if (run_left == 0) {
      run_left = 1 + random() % 40;
      kind = random() % 3;
    }
    --run_left;
    a = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<std::uint8_t>(random());
  }
  return alphas;
}

// The stamp computed pixel by pixel in double precision: the opacity of a logo byte l with alpha
// a at density A is a/255 * A/256 in mask type 0 and a/255 * l * A/65536 in the ink masks; the
// new byte is the mix of the ink and the target byte, rounded half to even (nearbyint). Scaled
// to the common divisor 255 * 65536 the numerator is an integer below 2^32, exact in a double.
Raster24 ReferenceStamp(const Raster24& target, const LogoImage& logo, const StampSettings& s) {
  Raster24 out = target;
  const int w = logo.width(), h = logo.height();
  const PicturePoint at = LogoOrigin(s.FPosition, target.width(), target.height(), w, h,
                                     MarginPixels(s.fitting, target.width(), target.height()));
  auto alpha = [&](int x, int y) { return Get(logo.alpha(), x, y)[0]; };
  double ink = 0;
  if (s.FMaskType == 2) {
    double dark = 0, light = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Pixel t = Get(target, at.x + x, at.y + y);
        const int lightness = (std::max({t[0], t[1], t[2]}) + std::min({t[0], t[1], t[2]})) / 2;
        (lightness < s.FThreshold ? dark : light) += alpha(x, y);
      }
    }
    ink = dark > light ? 255 : 0;
  }
  const double unit = 255.0 * 65536.0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Pixel l = Get(logo.colour(), x, y);
      Pixel t = Get(target, at.x + x, at.y + y);
      for (int c = 0; c < 3; ++c) {
        const double a = alpha(x, y);
        const double opacity =
            s.FMaskType == 0 ? a * s.FAlpha * 256.0 : a * l[c] * static_cast<double>(s.FAlpha);
        const double k = s.FMaskType == 0   ? l[c]
                         : s.FMaskType == 1 ? 2.0 * std::abs(l[c] - 128)
                                            : ink;
        t[c] = static_cast<std::uint8_t>(
            std::nearbyint((k * opacity + (unit - opacity) * t[c]) / unit));
      }
      Put(out, at.x + x, at.y + y, t);
    }
  }
  return out;
}

// Widths on both sides of the vector loop's 16 pixels, every mask type, position and margin.
TEST(StampLogoWithAlpha, MatchesTheReferenceOnRandomRasters) {
  std::mt19937 random(2024);
  for (int round = 0; round < 400; ++round) {
    const std::int32_t w = 1 + static_cast<std::int32_t>(random() % 70);
    const std::int32_t h = 1 + static_cast<std::int32_t>(random() % 4);
    const std::int32_t margin = static_cast<std::int32_t>(random() % 3);
    const std::int32_t W = w + 2 * margin + static_cast<std::int32_t>(random() % 5);
    const std::int32_t H = h + 2 * margin + static_cast<std::int32_t>(random() % 3);
    const LogoImage logo = WithAlpha(RandomRaster(w, h, random),
                                     RandomAlphas(static_cast<std::size_t>(w) * h, random));
    Raster24 target = RandomRaster(W, H, random);
    const std::int32_t densities[] = {0, 1, 127, 128, 200, 255, 256};
    const StampSettings s =
        Settings(round % 3, densities[random() % 7], static_cast<std::int32_t>(random() % 6),
                 static_cast<std::uint8_t>(random()), margin);
    const Raster24 expected = ReferenceStamp(target, logo, s);

    StampLogo(target, logo, s);

    ASSERT_EQ(AllBytes(target), AllBytes(expected))
        << "round " << round << ": logo " << w << "x" << h << " on " << W << "x" << H << ", mask "
        << s.FMaskType << ", density " << s.FAlpha << ", position " << s.FPosition;
  }
}

struct AlphaExample {
  std::int32_t mask;
  std::int32_t density;
  std::uint8_t alpha;
  std::uint8_t t;
  std::uint8_t l;
  std::uint8_t expected;
};

void PrintTo(const AlphaExample& e, std::ostream* os) {
  *os << "mask " << e.mask << ", A " << e.density << ", a " << int{e.alpha} << ", t " << int{e.t}
      << ", l " << int{e.l};
}

class StampAlphaExample : public ::testing::TestWithParam<AlphaExample> {};

// Worked by hand: mask type 0 over black gives l * a/255 * A/256; exact halves go to the even
// neighbour. The pixel sits at x = 1 (inside the vector loop) and at x = 17 (after it).
TEST_P(StampAlphaExample, GivesTheExpectedByte) {
  const AlphaExample e = GetParam();
  Raster24 colour = Filled(20, 1, Grey(e.l));
  std::vector<std::uint8_t> alphas(20, 0);
  alphas[1] = alphas[17] = e.alpha;
  Raster24 target = Filled(20, 1, Grey(e.t));

  StampLogo(target, WithAlpha(colour, alphas), Settings(e.mask, e.density));

  EXPECT_EQ(Get(target, 1, 0), Grey(e.expected));
  EXPECT_EQ(Get(target, 17, 0), Grey(e.expected));
  EXPECT_EQ(Get(target, 2, 0), Grey(e.t));
}

INSTANTIATE_TEST_SUITE_P(
    Table, StampAlphaExample,
    ::testing::Values(AlphaExample{0, 256, 128, 0, 255, 128},  // 255 * 128/255
                      AlphaExample{0, 256, 1, 0, 255, 1}, AlphaExample{0, 128, 128, 0, 255, 64},
                      AlphaExample{0, 128, 1, 0, 255, 0},     // 0.5
                      AlphaExample{0, 128, 3, 0, 255, 2},     // 1.5
                      AlphaExample{0, 128, 5, 0, 255, 2},     // 2.5
                      AlphaExample{0, 256, 51, 255, 0, 204},  // 255 - 255/5
                      AlphaExample{0, 256, 0, 17, 200, 17},
                      AlphaExample{1, 256, 255, 0, 255, 253},  // the key-colour stamp's 253.0078
                      AlphaExample{1, 256, 255, 200, 128, 100},
                      AlphaExample{1, 256, 0, 200, 128, 200}));

// At alpha 255 the stamp is the key-colour stamp of the same picture, byte for byte, in every
// mask type and at every density; a logo of alphas 0 and 255 only is the key-colour logo whose
// transparent pixels are those of alpha 0.
TEST(StampLogoWithAlpha, EqualsTheKeyColourStampWhereTheAlphaIsZeroOrFull) {
  std::mt19937 random(31);
  const Pixel clear{1, 2, 3};
  for (int round = 0; round < 200; ++round) {
    const std::int32_t w = 1 + static_cast<std::int32_t>(random() % 50);
    const std::int32_t h = 1 + static_cast<std::int32_t>(random() % 3);
    Raster24 colour = RandomRaster(w, h, random);
    std::vector<std::uint8_t> alphas(static_cast<std::size_t>(w) * h, 255);
    Put(colour, 0, 0, clear);
    alphas[0] = 0;
    for (std::int32_t i = 1; i < w * h; ++i) {
      if (random() % 3 == 0) {
        Put(colour, i % w, i / w, clear);
        alphas[static_cast<std::size_t>(i)] = 0;
      }
    }
    const Raster24 target = RandomRaster(w + 3, h + 2, random);
    const StampSettings s =
        Settings(round % 3, static_cast<std::int32_t>(random() % 257),
                 static_cast<std::int32_t>(random() % 6), static_cast<std::uint8_t>(random()));
    Raster24 keyed = target;
    Raster24 alpha = target;

    StampLogo(keyed, colour, s);
    StampLogo(alpha, WithAlpha(colour, alphas), s);

    ASSERT_EQ(AllBytes(alpha), AllBytes(keyed)) << "round " << round;
  }
}

TEST(StampLogoWithAlpha, LeavesEveryPixelUnderAlphaZeroUntouched) {
  std::mt19937 random(8);
  const Raster24 colour = RandomRaster(40, 3, random);
  std::vector<std::uint8_t> alphas = RandomAlphas(120, random);
  for (std::size_t i = 0; i < alphas.size(); i += 2) alphas[i] = 0;
  const LogoImage logo = WithAlpha(colour, alphas);
  for (std::int32_t mask : {0, 1, 2}) {
    const Raster24 before = RandomRaster(40, 3, random);
    Raster24 target = before;
    StampLogo(target, logo, Settings(mask, 256, kTopLeft, 128));
    for (std::int32_t i = 0; i < 120; i += 2) {
      EXPECT_EQ(Get(target, i % 40, i / 40), Get(before, i % 40, i / 40)) << "mask " << mask;
    }
  }
}

// The white-or-black ink weighs each pixel by its alpha: ten dark pixels under a faint edge
// weigh less than one light pixel under the solid logo, and clear pixels do not count at all.
TEST(StampLogoWithAlpha, ChoosesTheInkByTheAlphaWeightedAreaUnderTheLogo) {
  Raster24 colour = Filled(12, 1, Grey(255));
  Raster24 target = Filled(12, 1, Grey(0));
  Put(target, 11, 0, Grey(255));
  std::vector<std::uint8_t> alphas(12, 20);
  alphas[0] = 0;
  alphas[11] = 255;
  Raster24 faint_dark = target;
  StampLogo(faint_dark, WithAlpha(colour, alphas), Settings(mkWhiteOnBlack, 256, kTopLeft, 128));
  EXPECT_LE(Get(faint_dark, 5, 0)[0], 1) << "black ink: 200 dark against 255 light";

  alphas[1] = 75;  // 255 dark against 255 light, a tie: still black
  Raster24 still = target;
  StampLogo(still, WithAlpha(colour, alphas), Settings(mkWhiteOnBlack, 256, kTopLeft, 128));
  EXPECT_LE(Get(still, 5, 0)[0], 1);

  alphas[1] = 76;  // 256 dark against 255 light: white
  Raster24 white = target;
  StampLogo(white, WithAlpha(colour, alphas), Settings(mkWhiteOnBlack, 256, kTopLeft, 128));
  EXPECT_EQ(Get(white, 5, 0), Grey(20));  // 255 * (255 * 256 / 65536) * 20/255 = 19.92
}

TEST(StampedRegionWithAlpha, GivesTheRegionOfAStampedCopy) {
  std::mt19937 random(99);
  for (int round = 0; round < 100; ++round) {
    const std::int32_t W = 20 + static_cast<std::int32_t>(random() % 30);
    const std::int32_t H = 6 + static_cast<std::int32_t>(random() % 10);
    const std::int32_t w = 1 + static_cast<std::int32_t>(random() % (W - 4));
    const std::int32_t h = 1 + static_cast<std::int32_t>(random() % (H - 4));
    const LogoImage logo = WithAlpha(RandomRaster(w, h, random),
                                     RandomAlphas(static_cast<std::size_t>(w) * h, random));
    const Raster24 target = RandomRaster(W, H, random);
    const StampSettings s =
        Settings(round % 3, 1 + static_cast<std::int32_t>(random() % 256),
                 static_cast<std::int32_t>(random() % 6), static_cast<std::uint8_t>(random()),
                 static_cast<std::int32_t>(random() % 3));
    PixelRect region;
    region.x = static_cast<std::int32_t>(random() % W);
    region.y = static_cast<std::int32_t>(random() % H);
    region.w = 1 + static_cast<std::int32_t>(random() % (W - region.x));
    region.h = 1 + static_cast<std::int32_t>(random() % (H - region.y));
    Raster24 stamped = target;
    StampLogo(stamped, logo, s);

    const Raster24 part = StampedRegion(target, logo, s, region);

    for (std::int32_t y = 0; y < region.h; ++y) {
      for (std::int32_t x = 0; x < region.w; ++x) {
        ASSERT_EQ(Get(part, x, y), Get(stamped, region.x + x, region.y + y)) << "round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace quelmar
