#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/logo_image.h"

namespace quelmar {

// The file header: "BM", the file size, two reserved words and the pixel data's offset.
inline constexpr std::size_t kBitmapFileHeaderSize = 14;

inline constexpr std::int32_t kMaxBitmapSide = kMaxLogoSide;

enum class BitmapCompression : std::uint32_t { kNone = 0, kRle8 = 1, kRle4 = 2, kMasks = 3 };

// What the reader needs of a BMP file's headers, checked and ready for decoding.
struct BitmapHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;  // always positive; see top_down
  bool top_down = false;
  int bit_count = 0;
  BitmapCompression compression = BitmapCompression::kNone;
  std::uint32_t red_mask = 0;
  std::uint32_t green_mask = 0;
  std::uint32_t blue_mask = 0;
  // Blue, green, red for each of 256 indices; indices beyond the file's table stay black.
  std::array<std::uint8_t, 256 * 3> palette{};
  std::size_t stride = 0;                // bytes per stored row of a plain picture
  std::span<const std::uint8_t> pixels;  // the pixel array, already cut to its usable length
};

// Reads and checks the headers, masks and colour table of a non-empty BMP file. Fails with
// EInvalidBitmap for what cannot be a picture and EReadError when a header part ends early.
BitmapHeader ParseBitmapHeader(std::span<const std::uint8_t> bytes);

}  // namespace quelmar
