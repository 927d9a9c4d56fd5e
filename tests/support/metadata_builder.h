#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "image/raster24.h"

namespace quelmar::fixtures {

using Bytes = std::vector<std::uint8_t>;

// One TIFF directory entry as a test writes it: the value bytes are given in the structure's
// byte order already (see TiffBuilder::Short and Long) and go into the entry when they fit in
// four bytes, otherwise into the data area, at an offset the builder fills in.
struct TiffEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  Bytes value;
};

// Writes the TIFF structure of an EXIF block, for tests: IFD0, an optional EXIF directory that
// IFD0 points to, and an optional IFD1 (the thumbnail's directory) chained after IFD0.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool little_endian) : little_(little_endian) {}

  Bytes Short(std::uint16_t value) const;
  Bytes Long(std::uint32_t value) const;

  TiffBuilder& Ifd0(TiffEntry entry);
  TiffBuilder& ExifIfd(TiffEntry entry);
  TiffBuilder& Ifd1(TiffEntry entry);
  // A thumbnail in IFD1 (JPEGInterchangeFormat and its length) with these bytes.
  TiffBuilder& Thumbnail(const Bytes& jpeg);

  Bytes Build() const;

 private:
  void Put16(Bytes& out, std::uint16_t value) const;
  void Put32(Bytes& out, std::uint32_t value) const;
  // Writes a directory at the end of out, its large values after it; returns where each entry
  // starts, so that pointers can be patched.
  std::vector<std::size_t> PutDirectory(Bytes& out, const std::vector<TiffEntry>& entries,
                                        std::uint32_t next) const;

  bool little_;
  std::vector<TiffEntry> ifd0_;
  std::vector<TiffEntry> exif_;
  std::vector<TiffEntry> ifd1_;
  Bytes thumbnail_;
};

// A TIFF block of IFD0 holding one orientation entry, little- or big-endian.
Bytes OrientationTiff(std::uint16_t orientation, bool little_endian);

// Reads and writes 16 and 32-bit numbers at an offset of a TIFF block, for forging.
void Poke16(Bytes& tiff, std::size_t at, std::uint16_t value);
void Poke32(Bytes& tiff, std::size_t at, std::uint32_t value);

// A marker segment: marker, length, payload.
struct Segment {
  std::uint8_t marker = 0;
  Bytes payload;
};

Segment ExifSegment(const Bytes& tiff);
Segment XmpSegment(const std::string& packet);
Segment CommentSegment(const std::string& text);
// An APP13 "Photoshop 3.0" segment holding one IPTC resource with these records.
Segment IptcSegment(const Bytes& records);
// The APP2 chunks of profile, chunk_size profile bytes each; sequence numbers and the count
// as written unless a test overrides them afterwards.
std::vector<Segment> IccSegments(const Bytes& profile, std::size_t chunk_size);

// A JPEG stream with segments inserted right after its JFIF segment, which must come first
// (as it does in every stream EncodeJpeg writes).
Bytes WithSegments(const Bytes& jpeg, const std::vector<Segment>& segments);

// The stream without its header segments of marker (before the first scan); everything else
// byte for byte.
Bytes WithoutSegments(const Bytes& jpeg, std::uint8_t marker);

// The stream from its first scan's marker on; empty when the header does not lead to one.
Bytes FromFirstScan(const Bytes& jpeg);

// One IPTC dataset (record 2) with the given dataset number and text.
Bytes IptcDataset(std::uint8_t dataset, const std::string& text);

// The colour profile as libjpeg-turbo's own jpeg_read_icc_profile gathers it from a stream;
// empty when it finds none or rejects the set.
Bytes LibraryProfile(const Bytes& jpeg);

// The tags exiftool reads from the file at path, as "Group:Tag" (exiftool's -G1 group names,
// e.g. "IFD0:Orientation", "XMP-dc:Creator") to their values, numbers as numbers; an empty map
// when exiftool is not installed.
std::map<std::string, std::string> ExiftoolTags(const std::string& path);

// The upright picture of pixels stored with an EXIF orientation code 1..8, each pixel moved to
// where the code's definition puts the stored 0th row and 0th column; written independently of
// the decoder's turning.
Raster24 UprightByDefinition(const Raster24& stored, int orientation);

// Pseudo-random bytes for a profile, with a plausible 128-byte header size field.
Bytes ProfileBytes(std::size_t size, std::uint32_t seed);

}  // namespace quelmar::fixtures
