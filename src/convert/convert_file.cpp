#include "convert/convert_file.h"

#include <fcntl.h>

#include <chrono>
#include <exception>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/jpeg_file.h"

namespace quelmar {

namespace {

StampedJpeg StampOnce(const SourceFile& source, const Raster24& mark, const StampSettings& settings,
                      std::int32_t quality) {
  JpegFile jpeg;
  try {
    jpeg = ReadJpegFileAt(source.folder, source.name, source.path);
  } catch (const std::exception& e) {  // any reason at all: missing, locked, not a JPEG
    return {source.path + kNotReadSuffix, {}, FileOutcome::Result::kNotRead, e.what()};
  }
  const std::uint64_t bytes_in = jpeg.data.size();
  // An empty file reads as 0 x 0 pixels; it has nothing to decode, whatever the logo's size.
  // The logo goes onto the picture as it is seen, so its size is the one compared.
  const PictureSize upright = UprightSize(jpeg);
  if (upright.width == 0 || upright.height == 0 || upright.height < mark.height() ||
      upright.width < mark.width()) {
    return {kSmallerThanLogo, {}, FileOutcome::Result::kSmallerThanLogo, {}, bytes_in};
  }
  // DecodeJpeg hands its own raster over to an empty target, so the photo is held once. A photo
  // stored turned is decoded upright, so that the logo lands in the corner the user sees.
  Raster24 photo;
  DecodeJpeg(jpeg, photo, jpeg.Orientation);
  // The compressed source is not needed while the result is encoded.
  std::vector<std::uint8_t>().swap(jpeg.data);
  jpeg.reservation.Release();
  StampLogo(photo, mark, settings);
  // The colour profile keeps the pixels' meaning.
  return {
      {},
      EncodeJpeg(photo, static_cast<std::uint8_t>(quality & 0xFF), jpeg.MultiScan, jpeg.IccProfile),
      FileOutcome::Result::kConverted,
      {},
      bytes_in};
}

}  // namespace

StampedJpeg StampJpegFile(const SourceFile& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality) {
  const auto start = std::chrono::steady_clock::now();
  // Files converted on several threads at once share the memory budget: a file whose memory
  // others held is converted again once it has the budget to itself. Only a file that cannot
  // have its memory even alone fails, and the walk names it.
  StampedJpeg stamped =
      ShareMemoryBudget([&] { return StampOnce(source, mark, settings, quality); });
  stamped.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return stamped;
}

StampedJpeg StampJpegFile(const std::string& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality) {
  return StampJpegFile(SourceFile{AT_FDCWD, source, source}, mark, settings, quality);
}

std::string ConvertFile(const std::string& source, const std::string& output, const Raster24& mark,
                        const StampSettings& settings, std::int32_t quality) {
  StampedJpeg stamped = StampJpegFile(source, mark, settings, quality);
  if (stamped.message.empty()) WriteJpegFile(output, stamped.bytes);
  return stamped.message;
}

}  // namespace quelmar
