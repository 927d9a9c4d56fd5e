#include "base/files.h"
#include "image/jpeg_file.h"

namespace quelmar {

void WriteJpegFile(const std::string& path, std::span<const std::uint8_t> data) {
  ReplaceFile(path, data, ShortWriteReport::kCreateError);
}

}  // namespace quelmar
