#include "image/jpeg_file.h"

#include <utility>

#include "base/files.h"
#include "image/jpeg/jpeg_decompression.h"

namespace quelmar {

JpegFile ReadJpegFile(const std::string& path) {
  return ParseJpegFile(ReadWholeFile(path));
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
  return file;
}

void WriteJpegFile(const std::string& path, std::span<const std::uint8_t> data) {
  ReplaceFile(path, data, ShortWriteReport::kCreateError);
}

}  // namespace quelmar
