#include "image/logo_resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/resample/resample_taps.h"
#include "image/scaled_logos.h"
#include "support/raster_pixels.h"

namespace quelmar {
namespace {

using fixtures::Filled;
using fixtures::Get;
using fixtures::Grey;
using fixtures::Pixel;
using fixtures::Put;
using fixtures::RandomRaster;

std::uint8_t AlphaAt(const LogoImage& logo, std::int32_t x, std::int32_t y) {
  return logo.alpha().Row(y)[3 * x];
}

LogoImage RandomAlphaLogo(std::int32_t w, std::int32_t h, std::uint32_t seed) {
  std::mt19937 random(seed);
  Raster24 colour = RandomRaster(w, h, random);
  Raster24 alpha = Filled(w, h, Grey(0));
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      Put(alpha, x, y, Grey(static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : random())));
    }
  }
  return LogoImage(colour, alpha);
}

TEST(ResampleTaps, HoldWindowsInsideTheInputWhoseWeightsAddUpToOne) {
  for (std::int32_t in : {1, 2, 3, 7, 100, 1000}) {
    for (std::int32_t out : {1, 2, 5, 99, 100, 101, 333, 2500}) {
      const ResampleTaps taps = TapsFor(in, out);
      for (std::int32_t j = 0; j < out; ++j) {
        ASSERT_GE(taps.first[j], 0);
        ASSERT_LE(taps.first[j] + taps.count, in);
        if (j > 0) {
          ASSERT_GE(taps.first[j], taps.first[j - 1]);
        }
        double sum = 0;
        for (std::int32_t k = 0; k < taps.count; ++k) sum += taps.weight(j, k);
        ASSERT_NEAR(sum, 1.0, 1e-6) << in << " -> " << out << " at " << j;
      }
    }
  }
}

// Shrinking by a whole factor n averages each run of n inputs with equal weights.
TEST(ResampleTaps, AverageEqualSharesWhenShrinkingByAWholeFactor) {
  const ResampleTaps taps = TapsFor(12, 4);
  for (std::int32_t j = 0; j < 4; ++j) {
    std::vector<double> share(12, 0.0);
    for (std::int32_t k = 0; k < taps.count; ++k) share[taps.first[j] + k] += taps.weight(j, k);
    for (std::int32_t i = 0; i < 12; ++i) EXPECT_NEAR(share[i], i / 3 == j ? 1.0 / 3 : 0.0, 1e-7);
  }
}

// Growing by 3 puts every third output on an input's centre, where the cubic passes through it.
TEST(ResampleTaps, PassThroughTheInputWhereAnOutputFallsOnIt) {
  const ResampleTaps taps = TapsFor(10, 30);
  for (std::int32_t i = 0; i < 10; ++i) {
    const std::int32_t j = 3 * i + 1;
    for (std::int32_t k = 0; k < taps.count; ++k) {
      EXPECT_NEAR(taps.weight(j, k), taps.first[j] + k == i ? 1.0 : 0.0, 1e-7) << j;
    }
  }
}

TEST(ResampleLogo, KeepsAUniformOpaqueLogoUniformAtEverySize) {
  const LogoImage logo(Filled(7, 5, {10, 200, 77}), Filled(7, 5, Grey(255)));
  for (const auto& [w, h] :
       {std::pair{1, 1}, std::pair{3, 2}, std::pair{7, 5}, std::pair{50, 31}}) {
    const LogoImage scaled = ResampleLogo(logo, w, h);
    ASSERT_EQ(scaled.width(), w);
    ASSERT_EQ(scaled.height(), h);
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        ASSERT_EQ(Get(scaled.colour(), x, y), (Pixel{10, 200, 77}));
        ASSERT_EQ(AlphaAt(scaled, x, y), 255);
      }
    }
  }
}

// Every output pixel against the separable weighted sum of the taps, computed here pixel by
// pixel in double precision: the widths around groups of four pixels and their last, partial
// group, shrinking and growing, with an alpha plane and with a key colour.
TEST(ResampleLogo, MatchesTheSeparableSumOfItsTapsAtEveryWidth) {
  std::mt19937 random(7);
  Raster24 keyed = RandomRaster(11, 9, random);
  Put(keyed, 3, 4, Get(keyed, 0, 0));  // a second pixel of the key colour
  const std::vector<std::pair<const char*, LogoImage>> logos = {
      {"alpha", RandomAlphaLogo(11, 9, 3)}, {"key colour", LogoImage(keyed)}};
  for (const auto& [name, logo] : logos) {
    const Pixel key = Get(logo.colour(), 0, 0);
    auto alpha_at = [&](std::int32_t x, std::int32_t y) -> double {
      if (logo.has_alpha()) return AlphaAt(logo, x, y);
      return Get(logo.colour(), x, y) == key ? 0 : 255;
    };
    for (const std::int32_t w : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 17, 23}) {
      const std::int32_t h = 1 + w % 10;
      const LogoImage scaled = ResampleLogo(logo, w, h);
      const ResampleTaps across = TapsFor(logo.width(), w);
      const ResampleTaps down = TapsFor(logo.height(), h);
      for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
          double sum[4] = {0, 0, 0, 0};  // blue, green, red times alpha / 255, and alpha
          for (std::int32_t j = 0; j < down.count; ++j) {
            for (std::int32_t i = 0; i < across.count; ++i) {
              const std::int32_t sx = across.first[x] + i;
              const std::int32_t sy = down.first[y] + j;
              const double weight = double{across.weight(x, i)} * down.weight(y, j);
              const double a = alpha_at(sx, sy);
              const Pixel p = Get(logo.colour(), sx, sy);
              for (int c = 0; c < 3; ++c) sum[c] += weight * p[c] * a / 255;
              sum[3] += weight * a;
            }
          }
          const double a = std::clamp(sum[3], 0.0, 255.0);
          SCOPED_TRACE(std::string(name) + " to " + std::to_string(w) + " x " + std::to_string(h) +
                       " at " + std::to_string(x) + ", " + std::to_string(y));
          ASSERT_NEAR(AlphaAt(scaled, x, y), a, 1.0);
          if (a < 1) continue;  // the colour of an almost clear pixel is ill-defined
          const Pixel got = Get(scaled.colour(), x, y);
          for (int c = 0; c < 3; ++c) {
            ASSERT_NEAR(got[c], std::clamp(sum[c] * 255 / a, 0.0, 255.0), 1.0) << "channel " << c;
          }
        }
      }
    }
  }
}

// Halving is the area average of each 2 x 2 block, colours weighted by their alphas: computed
// here in double precision from that definition.
TEST(ResampleLogo, HalvesByTheAlphaWeightedAverageOfEachBlock) {
  const LogoImage logo = RandomAlphaLogo(16, 10, 3);
  const LogoImage half = ResampleLogo(logo, 8, 5);
  for (std::int32_t y = 0; y < 5; ++y) {
    for (std::int32_t x = 0; x < 8; ++x) {
      double alpha = 0;
      double colour[3] = {0, 0, 0};
      for (std::int32_t dy = 0; dy < 2; ++dy) {
        for (std::int32_t dx = 0; dx < 2; ++dx) {
          const double a = AlphaAt(logo, 2 * x + dx, 2 * y + dy);
          alpha += a;
          const Pixel c = Get(logo.colour(), 2 * x + dx, 2 * y + dy);
          for (int i = 0; i < 3; ++i) colour[i] += a * c[i];
        }
      }
      EXPECT_NEAR(AlphaAt(half, x, y), alpha / 4, 0.5 + 1e-3);
      if (alpha / 4 < 0.5) continue;  // clear: the colour does not matter
      for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(Get(half.colour(), x, y)[i], colour[i] / alpha, 0.5 + 1e-3) << x << "," << y;
      }
    }
  }
}

// Red logo on a clear green ground: at any size the edge pixels fade out in alpha without
// taking any green, whether the ground is the top-left key colour or alpha 0.
TEST(ResampleLogo, DoesNotBleedTheClearGroundIntoTheEdges) {
  const Pixel green{0, 255, 0};
  const Pixel red{0, 0, 255};
  Raster24 colour = Filled(20, 20, green);
  for (std::int32_t y = 5; y < 15; ++y) {
    for (std::int32_t x = 5; x < 15; ++x) Put(colour, x, y, red);
  }
  Raster24 alpha = Filled(20, 20, Grey(0));
  for (std::int32_t y = 5; y < 15; ++y) {
    for (std::int32_t x = 5; x < 15; ++x) Put(alpha, x, y, Grey(255));
  }
  for (const LogoImage& logo : {LogoImage(colour), LogoImage(colour, alpha)}) {
    for (std::int32_t size : {7, 13, 33, 57}) {
      const LogoImage scaled = ResampleLogo(logo, size, size);
      bool partly_clear = false;
      for (std::int32_t y = 0; y < size; ++y) {
        for (std::int32_t x = 0; x < size; ++x) {
          const std::uint8_t a = AlphaAt(scaled, x, y);
          if (a == 0) continue;
          partly_clear |= a < 255;
          ASSERT_EQ(Get(scaled.colour(), x, y)[1], 0) << size << " at " << x << "," << y;
        }
      }
      EXPECT_TRUE(partly_clear) << "an edge of partial alpha at " << size;
    }
  }
}

TEST(ResampleLogo, RefusesAnEmptyLogoAndSizesBelowOnePixel) {
  EXPECT_THROW(ResampleLogo(LogoImage(), 3, 3), EInvalidOperation);
  const LogoImage logo(Filled(4, 4, Grey(9)));
  EXPECT_THROW(ResampleLogo(logo, 0, 3), EInvalidOperation);
  EXPECT_THROW(ResampleLogo(logo, 3, -1), EInvalidOperation);
}

TEST(ResampleLogo, FailsWithOutOfResourcesBeyondTheMemoryBudget) {
  const LogoImage logo(Filled(4, 4, Grey(9)));
  const std::size_t in_use = MemoryInUse();
  SetMemoryBudget(in_use + 1000000);
  EXPECT_THROW(ResampleLogo(logo, 2000, 2000), EOutOfResources);
  SetMemoryBudget(0);
  EXPECT_EQ(MemoryInUse(), in_use);
}

TEST(ScaledLogos, GivesTheLogoItselfAtItsOwnSize) {
  const auto logo = std::make_shared<const LogoImage>(Filled(6, 4, Grey(1)));
  ScaledLogos scaled(logo);
  EXPECT_EQ(scaled.At(6, 4), logo);
  EXPECT_FALSE(scaled.At(3, 2)->colour().empty());
}

// Many threads asking for the same size share one copy; the least recently used size is
// dropped when more sizes are asked for than are kept.
TEST(ScaledLogos, ResamplesOncePerSizeAndKeepsTheSizesAskedForLast) {
  ScaledLogos scaled(std::make_shared<const LogoImage>(RandomAlphaLogo(64, 64, 5)), 2);
  std::vector<std::shared_ptr<const LogoImage>> seen(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&, i] { seen[i] = scaled.At(100, 100); });
  }
  for (std::thread& t : threads) t.join();
  for (const auto& copy : seen) EXPECT_EQ(copy, seen[0]);

  const auto small = scaled.At(10, 10);
  EXPECT_EQ(scaled.At(100, 100), seen[0]);
  EXPECT_EQ(scaled.At(10, 10), small);
  scaled.At(20, 20);  // drops 100 x 100, used before 10 x 10
  EXPECT_EQ(scaled.At(10, 10), small);
  EXPECT_NE(scaled.At(100, 100), seen[0]);
}

TEST(ScaledLogos, PassesAFailureToTheCallerAndTriesTheSizeAgainLater) {
  ScaledLogos scaled(std::make_shared<const LogoImage>(Filled(4, 4, Grey(9))));
  SetMemoryBudget(MemoryInUse() + 1000);
  EXPECT_THROW(scaled.At(500, 500), EOutOfResources);
  SetMemoryBudget(0);
  EXPECT_EQ(scaled.At(500, 500)->width(), 500);
}

}  // namespace
}  // namespace quelmar
