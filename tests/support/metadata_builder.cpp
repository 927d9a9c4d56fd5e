#include "support/metadata_builder.h"

#include <jpeglib.h>
#include <stdio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar::fixtures {

namespace {

constexpr std::uint16_t kExifPointerTag = 0x8769;
constexpr std::uint16_t kTypeLong = 4;

void PutBig16(Bytes& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

}  // namespace

void TiffBuilder::Put16(Bytes& out, std::uint16_t value) const {
  const Bytes bytes = Short(value);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void TiffBuilder::Put32(Bytes& out, std::uint32_t value) const {
  const Bytes bytes = Long(value);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

Bytes TiffBuilder::Short(std::uint16_t value) const {
  const auto low = static_cast<std::uint8_t>(value);
  const auto high = static_cast<std::uint8_t>(value >> 8);
  return little_ ? Bytes{low, high} : Bytes{high, low};
}

Bytes TiffBuilder::Long(std::uint32_t value) const {
  Bytes bytes(4);
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<std::uint8_t>(value >> (8 * i));
    bytes[little_ ? i : 3 - i] = byte;
  }
  return bytes;
}

TiffBuilder& TiffBuilder::Ifd0(TiffEntry entry) {
  ifd0_.push_back(std::move(entry));
  return *this;
}

TiffBuilder& TiffBuilder::ExifIfd(TiffEntry entry) {
  exif_.push_back(std::move(entry));
  return *this;
}

TiffBuilder& TiffBuilder::Ifd1(TiffEntry entry) {
  ifd1_.push_back(std::move(entry));
  return *this;
}

TiffBuilder& TiffBuilder::Thumbnail(const Bytes& jpeg) {
  thumbnail_ = jpeg;
  ifd1_.push_back({0x0201, kTypeLong, 1, Long(0)});  // patched in Build
  ifd1_.push_back({0x0202, kTypeLong, 1, Long(static_cast<std::uint32_t>(jpeg.size()))});
  return *this;
}

std::vector<std::size_t> TiffBuilder::PutDirectory(Bytes& out,
                                                   const std::vector<TiffEntry>& entries,
                                                   std::uint32_t next) const {
  const std::size_t start = out.size();
  std::size_t data = start + 2 + 12 * entries.size() + 4;
  Bytes values;
  std::vector<std::size_t> at;
  Put16(out, static_cast<std::uint16_t>(entries.size()));
  for (const TiffEntry& entry : entries) {
    at.push_back(out.size());
    Put16(out, entry.tag);
    Put16(out, entry.type);
    Put32(out, entry.count);
    if (entry.value.size() <= 4) {
      Bytes padded = entry.value;
      padded.resize(4, 0);
      out.insert(out.end(), padded.begin(), padded.end());
    } else {
      Put32(out, static_cast<std::uint32_t>(data + values.size()));
      values.insert(values.end(), entry.value.begin(), entry.value.end());
      if (values.size() % 2 != 0) values.push_back(0);
    }
  }
  Put32(out, next);
  out.insert(out.end(), values.begin(), values.end());
  return at;
}

Bytes TiffBuilder::Build() const {
  Bytes out = little_ ? Bytes{'I', 'I', 42, 0} : Bytes{'M', 'M', 0, 42};
  Put32(out, 8);
  std::vector<TiffEntry> ifd0 = ifd0_;
  if (!exif_.empty()) ifd0.push_back({kExifPointerTag, kTypeLong, 1, Long(0)});
  const std::vector<std::size_t> ifd0_at = PutDirectory(out, ifd0, 0);
  const std::size_t ifd0_next = 8 + 2 + 12 * ifd0.size();
  if (!exif_.empty()) {
    Poke32(out, ifd0_at.back() + 8, static_cast<std::uint32_t>(out.size()));
    PutDirectory(out, exif_, 0);
  }
  if (!ifd1_.empty()) {
    Poke32(out, ifd0_next, static_cast<std::uint32_t>(out.size()));
    const std::vector<std::size_t> ifd1_at = PutDirectory(out, ifd1_, 0);
    if (!thumbnail_.empty()) {
      Poke32(out, ifd1_at[ifd1_at.size() - 2] + 8, static_cast<std::uint32_t>(out.size()));
      out.insert(out.end(), thumbnail_.begin(), thumbnail_.end());
    }
  }
  return out;
}

Bytes OrientationTiff(std::uint16_t orientation, bool little_endian) {
  TiffBuilder tiff(little_endian);
  tiff.Ifd0({0x0112, 3, 1, tiff.Short(orientation)});
  return tiff.Build();
}

// Numbers are poked in the block's own byte order, which its first byte tells.
void Poke16(Bytes& tiff, std::size_t at, std::uint16_t value) {
  const bool little = tiff.at(0) == 'I';
  tiff.at(at + (little ? 0 : 1)) = static_cast<std::uint8_t>(value);
  tiff.at(at + (little ? 1 : 0)) = static_cast<std::uint8_t>(value >> 8);
}

void Poke32(Bytes& tiff, std::size_t at, std::uint32_t value) {
  const bool little = tiff.at(0) == 'I';
  Poke16(tiff, at + (little ? 0 : 2), static_cast<std::uint16_t>(value));
  Poke16(tiff, at + (little ? 2 : 0), static_cast<std::uint16_t>(value >> 16));
}

Segment ExifSegment(const Bytes& tiff) {
  Segment segment{0xE1, {'E', 'x', 'i', 'f', 0, 0}};
  segment.payload.insert(segment.payload.end(), tiff.begin(), tiff.end());
  return segment;
}

Segment XmpSegment(const std::string& packet) {
  const std::string id = "http://ns.adobe.com/xap/1.0/";
  Segment segment{0xE1, Bytes(id.begin(), id.end())};
  segment.payload.push_back(0);
  segment.payload.insert(segment.payload.end(), packet.begin(), packet.end());
  return segment;
}

Segment CommentSegment(const std::string& text) {
  return {0xFE, Bytes(text.begin(), text.end())};
}

Bytes IptcDataset(std::uint8_t dataset, const std::string& text) {
  Bytes out = {0x1C, 2, dataset};
  PutBig16(out, text.size());
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

Segment IptcSegment(const Bytes& records) {
  const std::string id = "Photoshop 3.0";
  Segment segment{0xED, Bytes(id.begin(), id.end())};
  segment.payload.push_back(0);
  const Bytes resource = {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0};
  segment.payload.insert(segment.payload.end(), resource.begin(), resource.end());
  PutBig16(segment.payload, 0);
  PutBig16(segment.payload, records.size());
  segment.payload.insert(segment.payload.end(), records.begin(), records.end());
  if (records.size() % 2 != 0) segment.payload.push_back(0);
  return segment;
}

std::vector<Segment> IccSegments(const Bytes& profile, std::size_t chunk_size) {
  const std::size_t count = (profile.size() + chunk_size - 1) / chunk_size;
  if (count == 0 || count > 255) throw std::invalid_argument("profile chunk count");
  std::vector<Segment> segments;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string id = "ICC_PROFILE";
    Segment segment{0xE2, Bytes(id.begin(), id.end())};
    segment.payload.push_back(0);
    segment.payload.push_back(static_cast<std::uint8_t>(i + 1));
    segment.payload.push_back(static_cast<std::uint8_t>(count));
    const std::size_t end = std::min(profile.size(), (i + 1) * chunk_size);
    segment.payload.insert(segment.payload.end(), profile.begin() + i * chunk_size,
                           profile.begin() + end);
    segments.push_back(std::move(segment));
  }
  return segments;
}

Bytes WithSegments(const Bytes& jpeg, const std::vector<Segment>& segments) {
  // SOI, then the JFIF segment: FF E0 and its length.
  if (jpeg.size() < 6 || jpeg[2] != 0xFF || jpeg[3] != 0xE0) {
    throw std::invalid_argument("no JFIF segment first");
  }
  const std::size_t jfif_end = 4 + ((std::size_t{jpeg[4]} << 8) | jpeg[5]);
  Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jfif_end));
  for (const Segment& segment : segments) {
    if (segment.payload.size() + 2 > 0xFFFF) throw std::invalid_argument("segment too long");
    out.push_back(0xFF);
    out.push_back(segment.marker);
    PutBig16(out, segment.payload.size() + 2);
    out.insert(out.end(), segment.payload.begin(), segment.payload.end());
  }
  out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(jfif_end), jpeg.end());
  return out;
}

Bytes FromFirstScan(const Bytes& jpeg) {
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
    at += 2 + ((std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3]);
  }
  if (at + 2 > jpeg.size() || jpeg[at] != 0xFF) return {};
  return Bytes(jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
}

Bytes WithoutSegments(const Bytes& jpeg, std::uint8_t marker) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  std::size_t at = 2;
  // Header segments follow each other without gaps in the streams the tests make.
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
    const std::size_t length = 2 + ((std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3]);
    if (jpeg[at + 1] != marker) {
      out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at),
                 jpeg.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    at += length;
  }
  out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
  return out;
}

namespace {

struct ReferenceError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

}  // namespace

Bytes LibraryProfile(const Bytes& jpeg) {
  jpeg_decompress_struct cinfo{};
  ReferenceError errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = [](j_common_ptr common) {
    std::longjmp(reinterpret_cast<ReferenceError*>(common->err)->jump, 1);
  };
  errors.pub.output_message = [](j_common_ptr) {};
  JOCTET* data = nullptr;
  unsigned int length = 0;
  if (setjmp(errors.jump) == 0) {
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (!jpeg_read_icc_profile(&cinfo, &data, &length)) length = 0;
  }
  jpeg_destroy_decompress(&cinfo);
  Bytes profile(data, data + length);
  std::free(data);
  return profile;
}

std::map<std::string, std::string> ExiftoolTags(const std::string& path) {
  std::map<std::string, std::string> tags;
  const std::string exiftool = fixtures::FindTool("exiftool");
  if (exiftool.empty()) return tags;
  const std::string listing = path + ".tags";
  // exiftool's status is 1 when the file had an error; what it read is listed all the same.
  (void)fixtures::RunTool(exiftool, {"-S", "-G1", "-n", "-a", path}, listing);
  std::ifstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    // "[Group] Tag: value", the group padded with blanks.
    const std::size_t close = line.find(']');
    const std::size_t colon = line.find(": ", close);
    if (line.empty() || line[0] != '[' || close == std::string::npos ||
        colon == std::string::npos) {
      continue;
    }
    std::string tag = line.substr(close + 1, colon - close - 1);
    tag.erase(0, tag.find_first_not_of(' '));
    tags[line.substr(1, close - 1) + ":" + tag] = line.substr(colon + 2);
  }
  return tags;
}

// Where the stored 0th row and 0th column lie in the upright picture, code by code.
namespace {

enum Side { kTop, kBottom, kLeft, kRight };
struct Layout {
  Side row0;
  Side column0;
};
constexpr Layout kLayouts[9] = {{kTop, kLeft},     {kTop, kLeft},     {kTop, kRight},
                                {kBottom, kRight}, {kBottom, kLeft},  {kLeft, kTop},
                                {kRight, kTop},    {kRight, kBottom}, {kLeft, kBottom}};

}  // namespace

Raster24 UprightByDefinition(const Raster24& stored, int orientation) {
  const Layout layout = kLayouts[orientation];
  const std::int32_t w = stored.width();
  const std::int32_t h = stored.height();
  const bool sideways = layout.row0 == kLeft || layout.row0 == kRight;
  Raster24 upright;
  upright.SetSize(sideways ? h : w, sideways ? w : h);
  for (std::int32_t sy = 0; sy < h; ++sy) {
    for (std::int32_t sx = 0; sx < w; ++sx) {
      std::int32_t ux = 0;
      std::int32_t uy = 0;
      if (sideways) {
        ux = layout.row0 == kLeft ? sy : h - 1 - sy;
        uy = layout.column0 == kTop ? sx : w - 1 - sx;
      } else {
        uy = layout.row0 == kTop ? sy : h - 1 - sy;
        ux = layout.column0 == kLeft ? sx : w - 1 - sx;
      }
      std::memcpy(upright.Row(uy) + 3 * ux, stored.Row(sy) + 3 * sx, 3);
    }
  }
  return upright;
}

Bytes ProfileBytes(std::size_t size, std::uint32_t seed) {
  Bytes profile(size);
  std::uint32_t state = seed * 2654435761u + 7;
  for (std::uint8_t& byte : profile) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  // The profile's own size, big-endian, where colour-managing readers look for it.
  for (int i = 0; i < 4 && size >= 4; ++i) {
    profile[i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  }
  return profile;
}

}  // namespace quelmar::fixtures
