#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "image/raster24.h"

namespace quelmar::fixtures {

// Straight libjpeg readings of a JPEG stream for tests, with an error handler of their own that
// counts the library's warnings (the product's handler drops them).

struct CoefficientComponent {
  int h = 1;
  int v = 1;
  JDIMENSION cols = 0;  // width_in_blocks: blocks that hold image samples
  JDIMENSION rows = 0;
  std::array<std::uint16_t, 64> quant{};      // natural order
  std::vector<std::array<JCOEF, 64>> blocks;  // rows * cols, row by row, natural order
  const std::array<JCOEF, 64>& At(JDIMENSION row, JDIMENSION col) const {
    return blocks[row * cols + col];
  }
};

struct Coefficients {
  bool ok = false;  // false after a fatal library error
  int warnings = 0;
  JDIMENSION width = 0;
  JDIMENSION height = 0;
  int max_h = 1;
  int max_v = 1;
  J_COLOR_SPACE colour_space = JCS_UNKNOWN;
  bool progressive = false;
  int restart_interval = 0;
  std::vector<CoefficientComponent> components;
};

// Every coefficient of the stream through jpeg_read_coefficients.
Coefficients ReadCoefficients(const std::vector<std::uint8_t>& bytes);

struct DecodedPixels {
  bool ok = false;
  int warnings = 0;
  Raster24 pixels;
};

// Decodes as the product decodes (floating-point IDCT, fancy upsampling, blue-green-red), but
// grayscale at its 256 levels in all three bytes rather than dithered.
DecodedPixels DecodeUndithered(const std::vector<std::uint8_t>& bytes);

// Encodes raster with the quantisation tables, sampling and colour space of the stream like, the
// floating-point DCT and standard Huffman tables: a second generation with the source's tables.
std::vector<std::uint8_t> EncodeLike(const Raster24& raster, const std::vector<std::uint8_t>& like);

// Encodes raster at quality 90, 4:2:0, with table as the AC Huffman table of every component.
std::vector<std::uint8_t> EncodeWithAcTable(const Raster24& raster, const JHUFF_TBL& table);

}  // namespace quelmar::fixtures
