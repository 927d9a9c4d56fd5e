// Feeds arbitrary bytes to the JPEG header reader and decoder, and re-encodes what decodes.
// The only acceptable outcomes are a result or one of the system's own errors.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/errors.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"

namespace {

// Headers may claim up to 65500 x 65500 pixels; larger images only cost time and memory here.
constexpr std::uint64_t kMaxPixels = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const quelmar::JpegFile jpeg =
        quelmar::ParseJpegFile(std::vector<std::uint8_t>(data, data + size));
    if (static_cast<std::uint64_t>(jpeg.width) * jpeg.height > kMaxPixels) return 0;
    quelmar::Raster24 raster;
    quelmar::DecodeJpeg(jpeg, raster);
    if (raster.width() != static_cast<std::int32_t>(jpeg.width) ||
        raster.height() != static_cast<std::int32_t>(jpeg.height)) {
      __builtin_trap();
    }
    if (size % 7 == 0) {
      const quelmar::JpegFile again = quelmar::ParseJpegFile(
          quelmar::EncodeJpeg(raster, static_cast<std::uint8_t>(size), jpeg.MultiScan));
      if (again.width != jpeg.width || again.height != jpeg.height) __builtin_trap();
    }
  } catch (const quelmar::Error&) {
  }
  return 0;
}
