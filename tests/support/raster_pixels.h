#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "image/raster24.h"

namespace quelmar::fixtures {

using Pixel = std::array<std::uint8_t, 3>;  // blue, green, red

inline Pixel Grey(std::uint8_t v) {
  return {v, v, v};
}

inline void Put(Raster24& raster, std::int32_t x, std::int32_t y, Pixel colour) {
  for (int c = 0; c < 3; ++c) raster.Row(y)[3 * x + c] = colour[c];
}

inline Pixel Get(const Raster24& raster, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = raster.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

inline Raster24 Filled(std::int32_t w, std::int32_t h, Pixel colour) {
  Raster24 raster;
  raster.SetSize(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) Put(raster, x, y, colour);
  }
  return raster;
}

// A raster of random bytes.
inline Raster24 RandomRaster(std::int32_t w, std::int32_t h, std::mt19937& random) {
  Raster24 raster = Filled(w, h, Grey(0));
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      Put(raster, x, y,
          {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
           static_cast<std::uint8_t>(random())});
    }
  }
  return raster;
}

// Every byte of the raster's rows, padding included, so a write past a row's pixels shows.
inline std::vector<std::uint8_t> AllBytes(const Raster24& raster) {
  std::vector<std::uint8_t> bytes;
  for (std::int32_t y = 0; y < raster.height(); ++y) {
    bytes.insert(bytes.end(), raster.Row(y), raster.Row(y) + raster.stride());
  }
  return bytes;
}

}  // namespace quelmar::fixtures
