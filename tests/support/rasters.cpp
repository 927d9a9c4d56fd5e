#include "support/rasters.h"

#include <random>

namespace quelmar::fixtures {

Raster24 GradientRaster(std::int32_t width, std::int32_t height, int seed) {
  Raster24 raster;
  raster.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 4 + seed * 40);
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 4 + seed * 20);
      row[3 * x + 2] = static_cast<std::uint8_t>((x + y) * 2 + seed * 60);
    }
  }
  return raster;
}

Raster24 NoisyRaster(std::int32_t width, std::int32_t height, std::uint32_t seed) {
  Raster24 raster = Raster24::Uninitialized(width, height);
  std::mt19937 random(seed);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < 3 * width; ++x) row[x] = static_cast<std::uint8_t>(random());
  }
  return raster;
}

Raster24 PhotoLike(std::int32_t width, std::int32_t height, std::uint32_t seed) {
  Raster24 raster;
  raster.SetSize(width, height);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>(state >> 28) - 8;
      const int base[3] = {(x * 255) / (width + 1), (y * 255) / (height + 1),
                           ((x + y) * 127) / (width + height + 1) + 64};
      for (int c = 0; c < 3; ++c) {
        const int value = base[c] + noise * (c + 1) / 2;
        row[3 * x + c] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
      }
    }
  }
  return raster;
}

Raster24 LogoRaster(std::int32_t width, std::int32_t height) {
  Raster24 logo;
  logo.SetSize(width, height);
  for (std::int32_t y = height / 4; y < height - height / 4; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = width / 4; x < width - width / 4; ++x) {
      row[3 * x] = 30;
      row[3 * x + 1] = 40;
      row[3 * x + 2] = 200;
    }
  }
  return logo;
}

Raster24 EllipseLogo(std::int32_t width, std::int32_t height) {
  Raster24 logo = Raster24::Uninitialized(width, height);
  const double cx = width / 2.0;
  const double cy = height / 2.0;
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      const double dx = (x + 0.5 - cx) / cx;
      const double dy = (y + 0.5 - cy) / cy;
      const bool inside = dx * dx + dy * dy < 1.0;
      row[3 * x] = inside ? static_cast<std::uint8_t>(40 + x % 200) : 255;
      row[3 * x + 1] = inside ? static_cast<std::uint8_t>(200 - y % 150) : 0;
      row[3 * x + 2] = inside ? 230 : 255;
    }
  }
  return logo;
}

Raster24 MarkedRaster() {
  Raster24 raster;
  raster.SetSize(3, 2);
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t i = 0; i < 9; ++i) raster.Row(y)[i] = static_cast<std::uint8_t>(10 * y + i);
  }
  return raster;
}

}  // namespace quelmar::fixtures
