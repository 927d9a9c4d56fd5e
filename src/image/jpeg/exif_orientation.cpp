#include "image/jpeg/exif_orientation.h"

#include <cstring>

namespace quelmar {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

class TiffReader {
 public:
  TiffReader(std::span<const std::uint8_t> tiff, bool big_endian)
      : tiff_(tiff), big_endian_(big_endian) {}
  bool Has(std::size_t at, std::size_t size) const {
    return at <= tiff_.size() && size <= tiff_.size() - at;
  }
  std::uint32_t U16(std::size_t at) const {
    const unsigned a = tiff_[at], b = tiff_[at + 1];
    return big_endian_ ? (a << 8 | b) : (b << 8 | a);
  }
  std::uint32_t U32(std::size_t at) const {
    return big_endian_ ? (U16(at) << 16 | U16(at + 2)) : (U16(at + 2) << 16 | U16(at));
  }

 private:
  std::span<const std::uint8_t> tiff_;
  bool big_endian_;
};

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> payload) {
  static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
  if (payload.size() < sizeof kExif + 8 || std::memcmp(payload.data(), kExif, sizeof kExif) != 0) {
    return 1;
  }
  const auto tiff = payload.subspan(sizeof kExif);
  const bool big_endian = tiff[0] == 'M' && tiff[1] == 'M';
  if (!big_endian && !(tiff[0] == 'I' && tiff[1] == 'I')) return 1;
  const TiffReader reader(tiff, big_endian);
  if (reader.U16(2) != 42) return 1;
  const std::size_t ifd = reader.U32(4);
  if (!reader.Has(ifd, 2)) return 1;
  const std::uint32_t entries = reader.U16(ifd);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::size_t entry = ifd + 2 + 12 * std::size_t{i};
    if (!reader.Has(entry, 12)) return 1;
    if (reader.U16(entry) != kOrientationTag) continue;
    if (reader.U16(entry + 2) != kShortType || reader.U32(entry + 4) != 1) return 1;
    const std::uint32_t value = reader.U16(entry + 8);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

}  // namespace quelmar
