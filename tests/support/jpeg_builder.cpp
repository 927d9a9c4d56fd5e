#include "support/jpeg_builder.h"

#include <stdexcept>

#include "base/errors.h"
#include "image/jpeg_file.h"
#include "support/rasters.h"

namespace quelmar::fixtures {

std::vector<std::uint8_t> JpegBytes(const Raster24& raster, int quality, bool progressive) {
  return EncodeJpeg(raster, static_cast<std::uint8_t>(quality), progressive);
}

std::vector<std::uint8_t> JpegBytes(std::int32_t width, std::int32_t height, int seed,
                                    bool progressive) {
  return JpegBytes(GradientRaster(width, height, seed), 90, progressive);
}

std::vector<std::uint8_t> NoiseJpegBytes(std::int32_t width, std::int32_t height, unsigned seed) {
  return JpegBytes(NoisyRaster(width, height, seed), 100);
}

std::vector<std::uint8_t> UndecodableJpegBytes(std::int32_t width, std::int32_t height) {
  std::vector<std::uint8_t> bytes = JpegBytes(width, height);
  for (std::size_t i = 0; i + 6 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
      bytes[i + 6] = 0x33;
      break;
    }
  }
  return bytes;
}

std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> jpeg, std::uint16_t width,
                                        std::uint16_t height) {
  for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width);
      return jpeg;
    }
  }
  throw std::runtime_error("no frame header");
}

bool IsCompleteJpeg(const std::string& path) {
  try {
    const JpegFile jpeg = ReadJpegFile(path);
    const std::size_t size = jpeg.data.size();
    if (size < 4 || jpeg.data[size - 2] != 0xFF || jpeg.data[size - 1] != 0xD9) return false;
    Raster24 raster;
    DecodeJpeg(jpeg, raster);
    return !raster.empty();
  } catch (const Error&) {
    return false;
  }
}

}  // namespace quelmar::fixtures
