#pragma once

#include <cstdint>

#include "image/raster24.h"

namespace quelmar::bench {

// A photograph-like raster for the benchmarks: smooth colour gradients with a little
// sensor-like noise; seed varies the noise and the third channel's pattern.
inline Raster24 PhotoLike(std::int32_t width, std::int32_t height, int seed = 0) {
  Raster24 raster = Raster24::Uninitialized(width, height);
  std::uint32_t state = 12345u + static_cast<std::uint32_t>(seed);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>(state >> 29) - 4;
      const int base[3] = {x * 200 / width + 20, y * 180 / height + 40,
                           ((x / 7 + y / 5 + seed * 9) % 256) / 2 + 60};
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<std::uint8_t>(base[c] + noise);
    }
  }
  return raster;
}

}  // namespace quelmar::bench
