#include "image/png/png_chunks.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/errors.h"
#include "image/logo_image.h"
#include "image/png_file.h"

namespace quelmar {

namespace {

constexpr std::size_t kSignatureSize = 8;
// Length, type and checksum around each chunk's data.
constexpr std::size_t kChunkFrame = 12;
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
// Deflate writes at least two bits for a run of 258 bytes, so no stream inflates to more than
// 1032 times its own size.
constexpr std::uint64_t kMaxInflateRatio = 1032;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool IsType(const std::uint8_t* type, const char (&name)[5]) {
  return std::memcmp(type, name, 4) == 0;
}

int ChannelsOf(int colour_type) {
  switch (colour_type) {
    case kPngGrey:
    case kPngPalette:
      return 1;
    case kPngGreyAlpha:
      return 2;
    case kPngRgb:
      return 3;
    default:
      return 4;
  }
}

bool ValidDepth(int colour_type, int depth) {
  switch (colour_type) {
    case kPngGrey:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case kPngPalette:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case kPngRgb:
    case kPngGreyAlpha:
    case kPngRgbAlpha:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

PngLayout ParseHeader(const std::uint8_t* data) {
  const std::uint32_t width = BigEndian32(data);
  const std::uint32_t height = BigEndian32(data + 4);
  PngLayout layout;
  layout.bit_depth = data[8];
  layout.colour_type = data[9];
  const int compression = data[10];
  const int filter = data[11];
  const int interlace = data[12];
  if (width == 0 || height == 0 || width > kMaxLogoSide || height > kMaxLogoSide ||
      !ValidDepth(layout.colour_type, layout.bit_depth) || compression != 0 || filter != 0 ||
      interlace > 1) {
    throw EInvalidBitmap();
  }
  layout.width = static_cast<std::int32_t>(width);
  layout.height = static_cast<std::int32_t>(height);
  layout.interlaced = interlace == 1;
  return layout;
}

// The filtered bytes of a pass of w x h pixels: every row begins with its filter byte.
std::uint64_t PassBytes(std::uint64_t w, std::uint64_t h, std::uint64_t bits_per_pixel) {
  if (w == 0 || h == 0) return 0;
  return h * (1 + (w * bits_per_pixel + 7) / 8);
}

}  // namespace

std::uint64_t PngFilteredBytes(const PngLayout& layout) {
  const std::uint64_t bits =
      static_cast<std::uint64_t>(ChannelsOf(layout.colour_type)) * layout.bit_depth;
  const std::uint64_t w = static_cast<std::uint64_t>(layout.width);
  const std::uint64_t h = static_cast<std::uint64_t>(layout.height);
  if (!layout.interlaced) return PassBytes(w, h, bits);
  // The seven passes of Adam7: first column, first row, column step, row step.
  constexpr std::array<std::array<std::uint64_t, 4>, 7> kPasses{{{0, 0, 8, 8},
                                                                 {4, 0, 8, 8},
                                                                 {0, 4, 4, 8},
                                                                 {2, 0, 4, 4},
                                                                 {0, 2, 2, 4},
                                                                 {1, 0, 2, 2},
                                                                 {0, 1, 1, 2}}};
  std::uint64_t total = 0;
  for (const auto& [x0, y0, dx, dy] : kPasses) {
    const std::uint64_t pw = w > x0 ? (w - x0 + dx - 1) / dx : 0;
    const std::uint64_t ph = h > y0 ? (h - y0 + dy - 1) / dy : 0;
    total += PassBytes(pw, ph, bits);
  }
  return total;
}

PngLayout ScanPngChunks(std::span<const std::uint8_t> bytes) {
  if (!HasPngSignature(bytes)) throw EInvalidBitmap();
  PngLayout layout;
  bool seen_header = false;
  bool seen_data = false;
  std::size_t at = kSignatureSize;
  for (;;) {
    if (bytes.size() - at < kChunkFrame) throw EInvalidBitmap();  // no IEND before the end
    const std::uint32_t length = BigEndian32(&bytes[at]);
    const std::uint8_t* type = &bytes[at + 4];
    if (length > kMaxChunkLength || length > bytes.size() - at - kChunkFrame) {
      throw EInvalidBitmap();
    }
    const bool header = IsType(type, "IHDR");
    if (header != !seen_header || (header && length != 13)) throw EInvalidBitmap();
    if (header) {
      layout = ParseHeader(&bytes[at + 8]);
      seen_header = true;
    } else if (IsType(type, "IDAT")) {
      layout.image_data_bytes += length;
      seen_data = true;
    } else if (IsType(type, "IEND")) {
      break;
    }
    at += kChunkFrame + length;
  }
  if (!seen_data) throw EInvalidBitmap();
  if (PngFilteredBytes(layout) > kMaxInflateRatio * layout.image_data_bytes) {
    throw EInvalidBitmap();
  }
  return layout;
}

bool HasPngSignature(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kSignature[kSignatureSize] = {0x89, 'P',  'N',  'G',
                                                              '\r', '\n', 0x1A, '\n'};
  return bytes.size() >= kSignatureSize && std::equal(kSignature, kSignature + 8, bytes.begin());
}

}  // namespace quelmar
