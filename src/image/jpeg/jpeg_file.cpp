#include "image/jpeg_file.h"

#include <fcntl.h>

#include <utility>

#include <jerror.h>

#include "base/errors.h"
#include "base/file_reading.h"
#include "base/files.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/meta/exif_tiff.h"
#include "image/meta/icc_chunks.h"
#include "image/meta/jpeg_header_segments.h"
#include "image/orientation.h"

namespace quelmar {

PictureSize UprightSize(const JpegFile& jpeg) {
  // Header sizes are at most 65500, so they fit.
  const auto width = static_cast<std::int32_t>(jpeg.width);
  const auto height = static_cast<std::int32_t>(jpeg.height);
  if (OrientationSwapsAxes(jpeg.Orientation)) return {height, width};
  return {width, height};
}

JpegFile ReadJpegFile(const std::string& path) {
  return ReadJpegFileAt(AT_FDCWD, path, path);
}

JpegFile ReadJpegFileAt(int folder, const std::string& name, const std::string& path) {
  // Anything else named .jpg (a video, a disk image) is refused by its first two bytes, as
  // the library would refuse it, without being read whole.
  HeldFile held =
      ReadFileWithinBudgetAt(folder, name, path, 2, [](std::span<const std::uint8_t> start) {
        if (!start.empty() && (start.size() < 2 || start[0] != 0xFF || start[1] != 0xD8)) {
          throw EJpegError(JERR_NO_SOI);
        }
      });
  JpegFile file = ParseJpegFile(std::move(held.bytes));
  file.reservation = std::move(held.reservation);
  return file;
}

JpegFile ParseJpegFile(std::vector<std::uint8_t> data) {
  JpegFile file;
  file.data = std::move(data);
  if (file.data.empty()) return file;

  JpegDecompression decompression(file.data);
  decompression.ReadHeader();
  const jpeg_decompress_struct& cinfo = decompression.cinfo();
  file.width = cinfo.image_width;
  file.height = cinfo.image_height;
  boolean multi_scan = FALSE;
  decompression.Run([&] { multi_scan = jpeg_has_multiple_scans(&decompression.cinfo()); });
  file.MultiScan = multi_scan != FALSE;
  decompression.Destroy();
  // Only headers the library accepted get here; the metadata readers distrust them all the same.
  const std::vector<HeaderSegment> segments = ListHeaderSegments(file.data);
  file.Orientation = ExifOrientation(FirstExifTiff(segments));
  file.IccProfile = GatherIccProfile(segments);
  return file;
}

void WriteJpegFile(const std::string& path, std::span<const std::uint8_t> data) {
  ReplaceFile(path, data, ShortWriteReport::kCreateError);
}

}  // namespace quelmar
