#include "convert/convert_file.h"

#include <exception>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/jpeg_file.h"

namespace quelmar {

namespace {

StampedJpeg StampOnce(const std::string& source, const Raster24& mark,
                      const StampSettings& settings, std::int32_t quality) {
  JpegFile jpeg;
  try {
    jpeg = ReadJpegFile(source);
  } catch (const std::exception&) {  // any reason at all: missing, locked, not a JPEG
    return {source + kNotReadSuffix, {}};
  }
  // An empty file reads as 0 x 0 pixels; it has nothing to decode, whatever the logo's size.
  const std::int64_t height = jpeg.height;
  const std::int64_t width = jpeg.width;
  if (width == 0 || height == 0 || height < mark.height() || width < mark.width()) {
    return {kSmallerThanLogo, {}};
  }
  // DecodeJpeg hands its own raster over to an empty target, so the photo is held once.
  Raster24 photo;
  DecodeJpeg(jpeg, photo);
  // The compressed source is not needed while the result is encoded.
  std::vector<std::uint8_t>().swap(jpeg.data);
  jpeg.reservation.Release();
  StampLogo(photo, mark, settings);
  return {{}, EncodeJpeg(photo, static_cast<std::uint8_t>(quality & 0xFF), jpeg.MultiScan)};
}

}  // namespace

StampedJpeg StampJpegFile(const std::string& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality) {
  try {
    // Files converted on several threads at once share the memory budget: a file whose
    // memory others held is converted again once it has the budget to itself.
    return ShareMemoryBudget([&] { return StampOnce(source, mark, settings, quality); });
  } catch (const EOutOfResources& error) {
    // Only a file that cannot have its memory even alone gets here; the run ends with it.
    throw EOutOfResources(source, error);
  }
}

std::string ConvertFile(const std::string& source, const std::string& output, const Raster24& mark,
                        const StampSettings& settings, std::int32_t quality) {
  StampedJpeg stamped = StampJpegFile(source, mark, settings, quality);
  if (stamped.message.empty()) WriteJpegFile(output, stamped.bytes);
  return stamped.message;
}

}  // namespace quelmar
