#include "convert/convert_file.h"

#include <fcntl.h>

#include <chrono>
#include <exception>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/jpeg_file.h"
#include "image/photo_metadata.h"

namespace quelmar {

namespace {

StampedJpeg StampOnce(const SourceFile& source, const Raster24& mark, const StampSettings& settings,
                      std::int32_t quality, bool keep_metadata) {
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
  // The metadata is copied out, so that the compressed source is not held while the result is
  // encoded.
  const PhotoMetadata metadata = keep_metadata ? ExtractPhotoMetadata(jpeg.data) : PhotoMetadata();
  std::vector<std::uint8_t>().swap(jpeg.data);
  jpeg.reservation.Release();
  StampLogo(photo, mark, settings);
  // The colour profile keeps the pixels' meaning.
  StampedJpeg stamped{
      {},
      EncodeJpeg(photo, static_cast<std::uint8_t>(quality & 0xFF), jpeg.MultiScan, jpeg.IccProfile),
      FileOutcome::Result::kConverted,
      {},
      bytes_in};
  if (keep_metadata) {
    stamped.bytes = EmbedPhotoMetadata(metadata, std::move(stamped.bytes));
    stamped.source_time = ModificationTimeAt(source.folder, source.name);
  }
  return stamped;
}

}  // namespace

StampedJpeg StampJpegFile(const SourceFile& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality, bool keep_metadata) {
  const auto start = std::chrono::steady_clock::now();
  // Files converted on several threads at once share the memory budget: a file whose memory
  // others held is converted again once it has the budget to itself. Only a file that cannot
  // have its memory even alone fails, and the walk names it.
  StampedJpeg stamped =
      ShareMemoryBudget([&] { return StampOnce(source, mark, settings, quality, keep_metadata); });
  stamped.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return stamped;
}

StampedJpeg StampJpegFile(const std::string& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality, bool keep_metadata) {
  return StampJpegFile(SourceFile{AT_FDCWD, source, source}, mark, settings, quality,
                       keep_metadata);
}

void KeepSourceTime(const StampedJpeg& stamped, int folder, const std::string& name) {
  if (stamped.source_time) (void)SetModificationTimeAt(folder, name, *stamped.source_time);
}

std::string ConvertFile(const std::string& source, const std::string& output, const Raster24& mark,
                        const StampSettings& settings, std::int32_t quality, bool keep_metadata) {
  StampedJpeg stamped = StampJpegFile(source, mark, settings, quality, keep_metadata);
  if (!stamped.message.empty()) return stamped.message;
  WriteJpegFile(output, stamped.bytes);
  KeepSourceTime(stamped, AT_FDCWD, output);
  return stamped.message;
}

}  // namespace quelmar
