#include <cstddef>
#include <cstdint>
#include <span>

#include "base/errors.h"
#include "image/bitmap_file.h"
#include "image/bitmap_header.h"

namespace {

// Large pictures are valid but only cost time and memory; their headers are still parsed.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 16;

quelmar::Raster24 MarkedRaster() {
  quelmar::Raster24 raster;
  raster.SetSize(2, 1);
  raster.Row(0)[0] = 7;
  return raster;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  quelmar::Raster24 raster = MarkedRaster();
  std::int32_t width = 0;
  std::int32_t height = 0;
  try {
    if (!bytes.empty()) {
      const quelmar::BitmapHeader header = quelmar::ParseBitmapHeader(bytes);
      if (std::int64_t{header.width} * header.height > kMaxPixels) return 0;
      width = header.width;
      height = header.height;
    }
    quelmar::DecodeBitmap(bytes, raster);
  } catch (const quelmar::Error&) {
    // A refused file must leave the raster as it was.
    if (raster.width() != 2 || raster.height() != 1 || raster.Row(0)[0] != 7) __builtin_trap();
    return 0;
  }
  if (raster.width() != width || raster.height() != height) __builtin_trap();
  return 0;
}
