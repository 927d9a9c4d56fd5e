#include "image/meta/exif_tiff.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace quelmar {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kEntrySize = 12;
// Sub-directory pointers: the EXIF, GPS and interoperability directories, and sub-images.
constexpr std::array<std::uint16_t, 4> kPointerTags = {0x8769, 0x8825, 0xA005, 0x014A};
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeIfd = 13;
// Cameras write IFD0, IFD1 and up to four sub-directories; a few more leave room for sub-images.
constexpr std::size_t kMaxDirectories = 16;

// The bytes of one element of each TIFF field type 1..13; 1 for types no reader knows, so that
// their counts are still held to the data.
std::uint64_t TypeSize(std::uint16_t type) {
  constexpr std::array<std::uint8_t, 14> kSizes = {1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < kSizes.size() ? kSizes[type] : 1;
}

// Bounds-checked reads in the structure's byte order.
class TiffView {
 public:
  // Empty when the header is neither "II*\0" nor "MM\0*".
  static std::optional<TiffView> Open(std::span<const std::uint8_t> tiff) {
    if (tiff.size() < 8) return std::nullopt;
    TiffView view(tiff, tiff[0] == 'I');
    std::uint16_t magic = 0;
    const bool order = (tiff[0] == 'I' && tiff[1] == 'I') || (tiff[0] == 'M' && tiff[1] == 'M');
    if (!order || !view.Read16(2, magic) || magic != 42) return std::nullopt;
    return view;
  }

  std::uint64_t size() const { return bytes_.size(); }

  bool Read16(std::uint64_t at, std::uint16_t& value) const {
    if (at > size() || size() - at < 2) return false;
    const std::uint8_t a = bytes_[at];
    const std::uint8_t b = bytes_[at + 1];
    value = static_cast<std::uint16_t>(little_ ? (b << 8) | a : (a << 8) | b);
    return true;
  }

  bool Read32(std::uint64_t at, std::uint32_t& value) const {
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    if (!Read16(at, first) || !Read16(at + 2, second)) return false;
    value = little_ ? (std::uint32_t{second} << 16) | first : (std::uint32_t{first} << 16) | second;
    return true;
  }

  // The entry count of the directory at offset, when the directory's entries all lie within
  // the data. The header occupies the first 8 bytes; no directory may overlap it.
  std::optional<std::uint16_t> DirectoryEntries(std::uint64_t offset) const {
    std::uint16_t count = 0;
    if (offset < 8 || !Read16(offset, count)) return std::nullopt;
    if (size() - offset - 2 < std::uint64_t{count} * kEntrySize) return std::nullopt;
    return count;
  }

 private:
  TiffView(std::span<const std::uint8_t> bytes, bool little) : bytes_(bytes), little_(little) {}
  std::span<const std::uint8_t> bytes_;
  bool little_;
};

// One directory entry's fields.
struct Entry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint64_t value_at = 0;  // where the value lies: in the entry, or at its offset
  std::uint64_t value_size = 0;
};

// The entry at index of the directory at offset, whose entries are known to lie within view.
Entry ReadEntry(const TiffView& view, std::uint64_t offset, std::uint16_t index) {
  const std::uint64_t at = offset + 2 + std::uint64_t{index} * kEntrySize;
  Entry entry;
  std::uint32_t value_offset = 0;
  view.Read16(at, entry.tag);
  view.Read16(at + 2, entry.type);
  view.Read32(at + 4, entry.count);
  view.Read32(at + 8, value_offset);
  entry.value_size = std::uint64_t{entry.count} * TypeSize(entry.type);
  // Values of up to four bytes are stored in the entry itself.
  entry.value_at = entry.value_size <= 4 ? at + 8 : value_offset;
  return entry;
}

bool ValueInside(const TiffView& view, const Entry& entry) {
  return entry.value_at <= view.size() && entry.value_size <= view.size() - entry.value_at;
}

// One directory to check; chained directories (IFD0, IFD1, ...) end in the offset of the next.
struct Directory {
  std::uint32_t offset = 0;
  bool chained = false;
};

// The directories still to check, and those already reached, for the soundness walk.
struct Walk {
  std::vector<Directory> pending;
  std::vector<std::uint32_t> seen;

  // False when offset was reached before (a loop) or the walk has grown beyond any camera's.
  bool Add(std::uint32_t offset, bool chained) {
    for (std::uint32_t known : seen) {
      if (known == offset) return false;
    }
    if (seen.size() == kMaxDirectories) return false;
    seen.push_back(offset);
    pending.push_back({offset, chained});
    return true;
  }
};

bool IsPointerTag(std::uint16_t tag) {
  for (std::uint16_t pointer : kPointerTags) {
    if (tag == pointer) return true;
  }
  return false;
}

// Checks one directory's entries and queues the directories they point to, and the next one
// of the chain.
bool CheckDirectory(const TiffView& view, Directory directory, Walk& walk) {
  const std::optional<std::uint16_t> count = view.DirectoryEntries(directory.offset);
  if (!count) return false;
  for (std::uint16_t i = 0; i < *count; ++i) {
    const Entry entry = ReadEntry(view, directory.offset, i);
    if (!ValueInside(view, entry)) return false;
    const bool pointer =
        IsPointerTag(entry.tag) && (entry.type == kTypeLong || entry.type == kTypeIfd);
    for (std::uint32_t k = 0; pointer && k < entry.count; ++k) {
      std::uint32_t target = 0;
      view.Read32(entry.value_at + 4 * std::uint64_t{k}, target);
      if (!walk.Add(target, false)) return false;
    }
  }
  std::uint32_t next = 0;
  const std::uint64_t next_at = directory.offset + 2 + std::uint64_t{*count} * kEntrySize;
  // Metadata libraries end a chain whose next offset lies outside the data, and so does this.
  if (!directory.chained || !view.Read32(next_at, next) || next == 0) return true;
  if (!view.DirectoryEntries(next)) return true;
  return walk.Add(next, true);
}

}  // namespace

std::uint8_t ExifOrientation(std::span<const std::uint8_t> tiff) {
  const std::optional<TiffView> view = TiffView::Open(tiff);
  std::uint32_t first = 0;
  if (!view || !view->Read32(4, first)) return 1;
  const std::optional<std::uint16_t> count = view->DirectoryEntries(first);
  if (!count) return 1;
  for (std::uint16_t i = 0; i < *count; ++i) {
    const Entry entry = ReadEntry(*view, first, i);
    if (entry.tag != kOrientationTag) continue;
    // The first orientation entry decides, as in the readers that show photographs.
    std::uint16_t value = 0;
    if (entry.type != kTypeShort || entry.count != 1) return 1;
    view->Read16(entry.value_at, value);
    return value >= 1 && value <= 8 ? static_cast<std::uint8_t>(value) : 1;
  }
  return 1;
}

bool ExifStructureIsSound(std::span<const std::uint8_t> tiff) {
  const std::optional<TiffView> view = TiffView::Open(tiff);
  std::uint32_t first = 0;
  if (!view || !view->Read32(4, first)) return false;
  Walk walk;
  walk.Add(first, true);
  while (!walk.pending.empty()) {
    const Directory directory = walk.pending.back();
    walk.pending.pop_back();
    if (!CheckDirectory(*view, directory, walk)) return false;
  }
  return true;
}

}  // namespace quelmar
