#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/raster24.h"

namespace quelmar::fixtures {

// The parts of a BMP file, written exactly as given so that tests can also forge bad ones.
struct BmpLayout {
  std::uint32_t header_size = 40;  // 12 writes the core header
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t planes = 1;
  std::uint16_t bit_count = 24;
  std::uint32_t compression = 0;
  std::uint32_t image_size = 0;
  std::uint32_t colours_used = 0;
  // Red, green, blue: inside a header of 52 bytes or more, otherwise right after the header.
  std::vector<std::uint32_t> masks{};
  std::vector<std::uint32_t> palette{};  // 0xRRGGBB; 3 bytes each for the core header, else 4
  std::size_t gap = 0;                   // filler bytes between the colour table and the pixels
  std::optional<std::uint32_t> pixel_offset{};  // by default where the pixels really begin
  std::vector<std::uint8_t> pixels{};
};

// The file of layout: its file header, info header, masks, colour table, gap and pixels.
std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout);

// Overwrites the little-endian 32-bit field at offset of a built file.
void PutU32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value);

// Stored rows of bit_count-bit values, each row padded to a multiple of 4 bytes. Indices of
// 1 and 4 bits fill bytes from the high bits; wider values are little-endian.
std::vector<std::uint8_t> PackRows(const std::vector<std::vector<std::uint32_t>>& rows,
                                   int bit_count);

// The raster's pixels as 0xRRGGBB, row 0 first.
std::vector<std::vector<std::uint32_t>> PixelsOf(const Raster24& raster);

// The bytes of an uncompressed 24-bit BMP of the raster's pixels, rows stored bottom-up.
std::vector<std::uint8_t> Bmp24Bytes(const Raster24& raster);

}  // namespace quelmar::fixtures
