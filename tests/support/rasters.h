#pragma once

#include <cstdint>

#include "image/raster24.h"

namespace quelmar::fixtures {

// A smooth gradient, different for each seed.
Raster24 GradientRaster(std::int32_t width, std::int32_t height, int seed = 0);

// Every byte from a seeded random generator: pixels that differ from their neighbours and
// compress badly.
Raster24 NoisyRaster(std::int32_t width, std::int32_t height, std::uint32_t seed);

// A photo-like picture: smooth colour gradients with a little noise, seeded.
Raster24 PhotoLike(std::int32_t width, std::int32_t height, std::uint32_t seed);

// A logo: a white background (the transparent colour, taken from the top-left pixel) with a
// dark square in the middle.
Raster24 LogoRaster(std::int32_t width, std::int32_t height);

// A logo: transparent (the top-left colour) around an ellipse of coloured pixels.
Raster24 EllipseLogo(std::int32_t width, std::int32_t height);

// A raster of 3 x 2 distinct pixels, to see that a failed read leaves it alone.
Raster24 MarkedRaster();

}  // namespace quelmar::fixtures
