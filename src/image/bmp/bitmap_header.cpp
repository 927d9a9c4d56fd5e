#include "image/bmp/bitmap_header.h"

#include <algorithm>

#include "base/errors.h"

namespace quelmar {

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Headers of this size or more hold the three masks themselves, at offsets 40, 44 and 48.
constexpr std::uint32_t kHeaderWithMasksSize = 52;
constexpr std::uint64_t kMaskBytes = 12;
constexpr std::uint64_t kMaxColours = 256;

// Little-endian fields of the file, each checked against its end.
class FieldReader {
 public:
  explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }

  // Fails with the read error unless count bytes from offset lie inside the file.
  void Require(std::uint64_t offset, std::uint64_t count) const {
    if (offset > bytes_.size() || count > bytes_.size() - offset) throw EReadError();
  }

  std::uint8_t U8(std::uint64_t offset) const { return bytes_[offset]; }
  std::uint16_t U16(std::uint64_t offset) const {
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }
  std::uint32_t U32(std::uint64_t offset) const {
    return static_cast<std::uint32_t>(bytes_[offset]) |
           static_cast<std::uint32_t>(bytes_[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes_[offset + 3]) << 24;
  }
  std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }

 private:
  std::span<const std::uint8_t> bytes_;
};

// The fields both header kinds share, as the info header holds them.
struct RawHeader {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bit_count = 0;
  std::uint32_t compression = 0;
  std::uint32_t image_size = 0;
  std::uint32_t colours_used = 0;
};

RawHeader ReadRawHeader(const FieldReader& file) {
  RawHeader raw;
  file.Require(kBitmapFileHeaderSize, 4);
  raw.size = file.U32(kBitmapFileHeaderSize);
  if (raw.size != kCoreHeaderSize && raw.size < kInfoHeaderSize) throw EInvalidBitmap();
  file.Require(kBitmapFileHeaderSize, raw.size);

  const std::uint64_t at = kBitmapFileHeaderSize + 4;
  if (raw.size == kCoreHeaderSize) {
    raw.width = file.U16(at);
    raw.height = file.U16(at + 2);
    raw.planes = file.U16(at + 4);
    raw.bit_count = file.U16(at + 6);
  } else {
    raw.width = file.I32(at);
    raw.height = file.I32(at + 4);
    raw.planes = file.U16(at + 8);
    raw.bit_count = file.U16(at + 10);
    raw.compression = file.U32(at + 12);
    raw.image_size = file.U32(at + 16);
    raw.colours_used = file.U32(at + 28);
  }
  return raw;
}

bool CompressionFitsBitCount(std::uint32_t compression, int bit_count) {
  switch (static_cast<BitmapCompression>(compression)) {
    case BitmapCompression::kNone:
      return true;
    case BitmapCompression::kRle8:
      return bit_count == 8;
    case BitmapCompression::kRle4:
      return bit_count == 4;
    case BitmapCompression::kMasks:
      return bit_count == 16 || bit_count == 32;
  }
  return false;
}

void CheckPicture(const RawHeader& raw) {
  if (raw.planes != 1) throw EInvalidBitmap();
  if (raw.width <= 0 || raw.width > kMaxBitmapSide) throw EInvalidBitmap();
  if (raw.height == 0 || raw.height > kMaxBitmapSide || raw.height < -kMaxBitmapSide) {
    throw EInvalidBitmap();
  }
  const int bits = raw.bit_count;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    throw EInvalidBitmap();
  }
  if (!CompressionFitsBitCount(raw.compression, bits)) throw EInvalidBitmap();
  const auto compression = static_cast<BitmapCompression>(raw.compression);
  const bool run_length =
      compression == BitmapCompression::kRle8 || compression == BitmapCompression::kRle4;
  // Run-length data only ever run from the bottom row up.
  if (run_length && raw.height < 0) throw EInvalidBitmap();
  // Masks come after a 40-byte header or inside one of 52 bytes or more, nowhere else.
  if (compression == BitmapCompression::kMasks && raw.size != kInfoHeaderSize &&
      raw.size < kHeaderWithMasksSize) {
    throw EInvalidBitmap();
  }
}

std::uint64_t ColourCount(const RawHeader& raw) {
  if (raw.size != kCoreHeaderSize && raw.colours_used != 0) return raw.colours_used;
  return raw.bit_count <= 8 ? std::uint64_t{1} << raw.bit_count : 0;
}

}  // namespace

BitmapHeader ParseBitmapHeader(std::span<const std::uint8_t> bytes) {
  const FieldReader file(bytes);
  file.Require(0, kBitmapFileHeaderSize);
  if (file.U8(0) != 'B' || file.U8(1) != 'M') throw EInvalidBitmap();
  const std::uint32_t pixel_offset = file.U32(10);

  const RawHeader raw = ReadRawHeader(file);
  CheckPicture(raw);
  const std::uint64_t colours = ColourCount(raw);
  if (colours > kMaxColours) throw EInvalidBitmap();

  BitmapHeader header;
  header.width = static_cast<std::int32_t>(raw.width);
  header.height = static_cast<std::int32_t>(raw.height < 0 ? -raw.height : raw.height);
  header.top_down = raw.height < 0;
  header.bit_count = raw.bit_count;
  header.compression = static_cast<BitmapCompression>(raw.compression);

  std::uint64_t position = kBitmapFileHeaderSize + raw.size;
  if (header.compression == BitmapCompression::kMasks) {
    // Right after a 40-byte header or at offset 40 of a longer one: the same bytes of the file.
    const std::uint64_t masks_at = kBitmapFileHeaderSize + kInfoHeaderSize;
    if (raw.size == kInfoHeaderSize) {
      file.Require(position, kMaskBytes);
      position += kMaskBytes;
    }
    header.red_mask = file.U32(masks_at);
    header.green_mask = file.U32(masks_at + 4);
    header.blue_mask = file.U32(masks_at + 8);
  }

  const std::uint64_t entry_size = raw.size == kCoreHeaderSize ? 3 : 4;
  file.Require(position, colours * entry_size);
  for (std::uint64_t i = 0; i < colours; ++i) {
    const std::uint64_t at = position + i * entry_size;
    header.palette[3 * i] = file.U8(at);
    header.palette[3 * i + 1] = file.U8(at + 1);
    header.palette[3 * i + 2] = file.U8(at + 2);
  }
  position += colours * entry_size;

  // A writer may leave a gap after the colour table; the file header's offset says where the
  // pixels really begin. An offset that points back into the table or past the end is ignored.
  if (pixel_offset >= position && pixel_offset < file.size()) position = pixel_offset;

  const std::uint64_t width = static_cast<std::uint64_t>(header.width);
  const std::uint64_t stride = (width * header.bit_count + 31) / 32 * 4;
  const std::uint64_t full = stride * static_cast<std::uint64_t>(header.height);
  std::uint64_t length = raw.image_size != 0 ? raw.image_size : full;
  length = std::min(length, file.size() - position);
  if (header.compression == BitmapCompression::kNone ||
      header.compression == BitmapCompression::kMasks) {
    length = std::min(length, full);
  }
  header.stride = static_cast<std::size_t>(stride);
  header.pixels =
      bytes.subspan(static_cast<std::size_t>(position), static_cast<std::size_t>(length));
  return header;
}

}  // namespace quelmar
