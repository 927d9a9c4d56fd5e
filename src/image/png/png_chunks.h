#pragma once

#include <cstdint>
#include <span>

namespace quelmar {

// PNG colour types.
enum PngColourType : int {
  kPngGrey = 0,
  kPngRgb = 2,
  kPngPalette = 3,
  kPngGreyAlpha = 4,
  kPngRgbAlpha = 6
};

// The facts of a PNG file's header and chunk structure that are known before decoding.
struct PngLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bit_depth = 0;
  int colour_type = 0;
  bool interlaced = false;
  std::uint64_t image_data_bytes = 0;  // the IDAT chunks' lengths added up
};

// Walks the chunks of a PNG file without decoding any: the signature, an IHDR chunk first with
// a valid colour type, bit depth and interlace method and sides from 1 to kMaxLogoSide, every
// chunk's length within the file, IDAT chunks, and an IEND chunk. Fails with EInvalidBitmap
// when any of these is missing or wrong, and when the image data could not inflate to the
// picture the header claims even at deflate's highest possible ratio (a few kilobytes claiming
// billions of pixels), so that such a file is refused before anything is allocated for it.
// Checksums are left to the decoder.
PngLayout ScanPngChunks(std::span<const std::uint8_t> bytes);

// The bytes of filtered image data the picture needs: each row of each interlace pass with its
// filter byte.
std::uint64_t PngFilteredBytes(const PngLayout& layout);

}  // namespace quelmar
