// Metadata kept through a stamping: the source's EXIF, XMP, IPTC and comment written into a
// freshly encoded stream, read back with exiftool (which shares no code with the writer), and
// bad metadata dropped kind by kind.
#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include <map>
#include <string>
#include <vector>

#include "image/jpeg_file.h"
#include "image/photo_metadata.h"
#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

#define QUELMAR_REQUIRE_EXIFTOOL()                                                        \
  do {                                                                                    \
    if (FindTool("exiftool").empty()) {                                                   \
      GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed; the metadata " \
                      "cannot be read back independently";                                \
    }                                                                                     \
  } while (false)

constexpr const char* kXmpPacket =
    "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>"
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about='' "
    "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' xmlns:dc='http://purl.org/dc/elements/1.1/' "
    "tiff:Orientation='6'><dc:creator><rdf:Seq><rdf:li>Aiko Tanaka</rdf:li></rdf:Seq>"
    "</dc:creator></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";

Bytes Ascii(const std::string& text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// A camera's EXIF: make, model, copyright and orientation 6 in IFD0; the capture date and the
// stored size in the EXIF directory; a thumbnail in IFD1.
Bytes CameraExif(std::int32_t stored_w, std::int32_t stored_h) {
  TiffBuilder tiff(false);
  tiff.Ifd0({0x010F, 2, 11, Ascii("QuelmarCam")})
      .Ifd0({0x0110, 2, 6, Ascii("QC-24")})
      .Ifd0({0x0112, 3, 1, tiff.Short(6)})
      .Ifd0({0x8298, 2, 14, Ascii("(c) A. Tanaka")});
  tiff.ExifIfd({0x9003, 2, 20, Ascii("2024:05:06 07:08:09")})
      .ExifIfd({0xA002, 4, 1, tiff.Long(static_cast<std::uint32_t>(stored_w))})
      .ExifIfd({0xA003, 4, 1, tiff.Long(static_cast<std::uint32_t>(stored_h))});
  tiff.Thumbnail(EncodeJpeg(PhotoLike(16, 12, 2), 50, false));
  return tiff.Build();
}

Bytes Iptc() {
  Bytes records = IptcDataset(80, "Aiko Tanaka");
  const Bytes caption = IptcDataset(120, "Harbour at dawn");
  records.insert(records.end(), caption.begin(), caption.end());
  return records;
}

// What a conversion does with metadata kept: decode upright, encode with the profile, embed.
struct Converted {
  Bytes plain;   // the stream without metadata
  Bytes output;  // the stream with it
};

Converted Convert(const Bytes& source, bool progressive = false) {
  const JpegFile jpeg = ParseJpegFile(source);
  Raster24 upright;
  DecodeJpeg(jpeg, upright, jpeg.Orientation);
  Converted converted;
  converted.plain = EncodeJpeg(upright, 90, progressive, jpeg.IccProfile);
  converted.output = EmbedPhotoMetadata(ExtractPhotoMetadata(source), converted.plain);
  return converted;
}

Bytes SourceWith(const std::vector<Segment>& segments) {
  return WithSegments(EncodeJpeg(PhotoLike(48, 32, 6), 90, false), segments);
}

std::vector<Segment> AllKinds() {
  return {ExifSegment(CameraExif(48, 32)), XmpSegment(kXmpPacket), IptcSegment(Iptc()),
          CommentSegment("Taken from the pier")};
}

TEST(EmbedPhotoMetadata, KeepsEveryKindWithTheOrientationAndSizeOfTheOutput) {
  QUELMAR_REQUIRE_EXIFTOOL();
  TempFolder folder;
  std::vector<Segment> segments = AllKinds();
  const Bytes profile = ProfileBytes(5000, 4);
  for (const Segment& chunk : IccSegments(profile, 2000)) segments.push_back(chunk);
  const Converted converted = Convert(SourceWith(segments));
  WriteBytes(folder / "out.jpg", converted.output);

  std::map<std::string, std::string> tags = ExiftoolTags(folder / "out.jpg");
  // The photo was stored 48 x 32 and turned a quarter: the output is 32 x 48.
  const std::map<std::string, std::string> expected = {
      {"IFD0:Make", "QuelmarCam"},
      {"IFD0:Model", "QC-24"},
      {"IFD0:Copyright", "(c) A. Tanaka"},
      {"IFD0:Orientation", "1"},
      {"ExifIFD:DateTimeOriginal", "2024:05:06 07:08:09"},
      {"ExifIFD:ExifImageWidth", "32"},
      {"ExifIFD:ExifImageHeight", "48"},
      {"XMP-tiff:Orientation", "1"},
      {"XMP-dc:Creator", "Aiko Tanaka"},
      {"IPTC:By-line", "Aiko Tanaka"},
      {"IPTC:Caption-Abstract", "Harbour at dawn"},
      {"File:Comment", "Taken from the pier"}};
  for (const auto& [tag, value] : expected) EXPECT_EQ(tags[tag], value) << tag;
  for (const auto& [tag, value] : tags) {
    EXPECT_NE(tag.rfind("IFD1:", 0), 0u) << "the thumbnail's directory is kept: " << tag;
  }
  // The pixels' meaning and the pixels themselves stay.
  EXPECT_EQ(LibraryProfile(converted.output), profile);
  EXPECT_EQ(ParseJpegFile(converted.output).Orientation, 1);
  Raster24 with;
  Raster24 without;
  DecodeJpeg(ParseJpegFile(converted.output), with);
  DecodeJpeg(ParseJpegFile(converted.plain), without);
  ASSERT_EQ(with.width(), 32);
  for (std::int32_t y = 0; y < with.height(); ++y) {
    ASSERT_EQ(0, std::memcmp(with.Row(y), without.Row(y), 3 * 32)) << "row " << y;
  }
}

// Exiv2 reads the output back as well: the library the writer uses must find what it wrote.
TEST(EmbedPhotoMetadata, WritesWhatExiv2ReadsBack) {
  const Converted converted = Convert(SourceWith(AllKinds()));
  // The library hands out its image in a deprecated smart pointer, left unnamed.
  const auto image = Exiv2::ImageFactory::open(converted.output.data(),
                                               static_cast<long>(converted.output.size()));
  image->readMetadata();
  const Exiv2::ExifData& exif = image->exifData();
  ASSERT_NE(exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")), exif.end());
  EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"))->toLong(), 1);
  EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Image.Make"))->toString(), "QuelmarCam");
  EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Thumbnail.JPEGInterchangeFormat")), exif.end());
  EXPECT_EQ(image->iptcData().findKey(Exiv2::IptcKey("Iptc.Application2.Byline"))->toString(),
            "Aiko Tanaka");
  EXPECT_EQ(image->comment(), "Taken from the pier");
}

// Each kind that cannot be read is left out alone; a source whose metadata is all bad gives the
// stream without metadata, byte for byte.
struct BadCase {
  std::string name;
  std::vector<Segment> segments;
  std::vector<std::string> kept;     // exiftool tags that must still be there
  std::vector<std::string> dropped;  // and those that must not
};

Bytes LoopedExif() {
  Bytes tiff = CameraExif(48, 32);
  Poke32(tiff, 8 + 2 + 12 * 4 + 8, 8);  // the EXIF pointer back to IFD0
  return tiff;
}

Bytes OverrunningIptc() {
  Segment segment = IptcSegment(Iptc());
  segment.payload[14 + 4 + 2 + 2 + 3] = 0x7F;  // the resource's size, far past the segment
  return segment.payload;
}

std::vector<BadCase> BadCases() {
  const Segment xmp = XmpSegment(kXmpPacket);
  const Segment iptc = IptcSegment(Iptc());
  const Segment comment = CommentSegment("Taken from the pier");
  return {
      {"LoopedExif",
       {ExifSegment(LoopedExif()), xmp, iptc, comment},
       {"XMP-dc:Creator", "IPTC:By-line", "File:Comment"},
       {"IFD0:Make"}},
      {"BrokenXmp",
       {ExifSegment(CameraExif(48, 32)), XmpSegment("<x:xmpmeta><unclosed"), iptc, comment},
       {"IFD0:Make", "IPTC:By-line", "File:Comment"},
       {"XMP-dc:Creator"}},
      {"OverrunningIptc",
       {ExifSegment(CameraExif(48, 32)), xmp, Segment{0xED, OverrunningIptc()}, comment},
       {"IFD0:Make", "XMP-dc:Creator", "File:Comment"},
       {"IPTC:By-line"}},
  };
}

class BadMetadata : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadMetadata, IsLeftOutAloneWhileTheRestIsKept) {
  QUELMAR_REQUIRE_EXIFTOOL();
  TempFolder folder;
  const BadCase& c = GetParam();
  const Converted converted = Convert(SourceWith(c.segments));
  WriteBytes(folder / "out.jpg", converted.output);
  std::map<std::string, std::string> tags = ExiftoolTags(folder / "out.jpg");
  for (const std::string& tag : c.kept) EXPECT_EQ(tags.count(tag), 1u) << tag;
  for (const std::string& tag : c.dropped) EXPECT_EQ(tags.count(tag), 0u) << tag;
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadMetadata, ::testing::ValuesIn(BadCases()),
                         [](const ::testing::TestParamInfo<BadCase>& info) {
                           return info.param.name;
                         });

// The library is given the header alone: every scan of the stream, with the tables between
// them, comes back byte for byte after the new header.
TEST(EmbedPhotoMetadata, KeepsEveryScanOfAProgressiveStreamAsItWas) {
  const Converted converted = Convert(SourceWith(AllKinds()), true);
  EXPECT_GT(converted.output.size(), converted.plain.size());
  ASSERT_FALSE(FromFirstScan(converted.plain).empty());
  EXPECT_EQ(FromFirstScan(converted.output), FromFirstScan(converted.plain));
  EXPECT_TRUE(ParseJpegFile(converted.output).MultiScan);
}

// The metadata library reads the profile of the stream it writes into and writes it again, in
// chunks of its own; the profile must come through unchanged whatever it holds.
TEST(EmbedPhotoMetadata, CarriesTheProfileUnchanged) {
  Bytes misdeclared = ProfileBytes(5000, 5);
  misdeclared[2] = 0x7F;  // the size the profile declares for itself, wrong
  for (const Bytes& profile : {ProfileBytes(300000, 6), misdeclared, ProfileBytes(3, 7)}) {
    SCOPED_TRACE(profile.size());
    std::vector<Segment> segments = AllKinds();
    for (const Segment& chunk : IccSegments(profile, 60000)) segments.push_back(chunk);
    const Converted converted = Convert(SourceWith(segments));
    EXPECT_GT(converted.output.size(), converted.plain.size());
    EXPECT_EQ(LibraryProfile(converted.output), profile);
  }
}

TEST(EmbedPhotoMetadata, LeavesTheStreamAsItIsWhenNothingCanBeKept) {
  const Bytes source = SourceWith(
      {ExifSegment(LoopedExif()), XmpSegment("not xml at all"), Segment{0xED, OverrunningIptc()}});
  const Converted converted = Convert(source);
  EXPECT_EQ(converted.output, converted.plain);
  const Converted bare = Convert(SourceWith({}));
  EXPECT_EQ(bare.output, bare.plain);
  EXPECT_TRUE(ExtractPhotoMetadata(bare.plain).empty());
}

}  // namespace
}  // namespace quelmar
