// The EXIF readers against structures written here, forged ones among them, and the
// orientation codes against exiftool reading the same files.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "image/jpeg_file.h"
#include "image/meta/exif_tiff.h"
#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

TiffEntry Orientation(const TiffBuilder& tiff, std::uint16_t code) {
  return {0x0112, 3, 1, tiff.Short(code)};
}

struct OrientationCase {
  std::string name;
  std::function<Bytes()> tiff;
  std::uint8_t expected;
  // exiftool reads a code from structures that browsers ignore (another type or count, the
  // tag in another directory, another magic number); the reader follows the browsers, so that
  // the stamped photo looks as the source did in them.
  bool lenient_elsewhere = false;
};

std::vector<OrientationCase> OrientationCases() {
  std::vector<OrientationCase> cases;
  for (bool little : {true, false}) {
    for (std::uint16_t code = 1; code <= 8; ++code) {
      cases.push_back({std::string(little ? "Intel" : "Motorola") + std::to_string(code),
                       [=] { return OrientationTiff(code, little); },
                       static_cast<std::uint8_t>(code)});
    }
  }
  const auto among_others = [](std::vector<std::uint16_t> codes) {
    TiffBuilder tiff(false);
    tiff.Ifd0({0x010F, 2, 6, {'C', 'a', 'n', 'o', 'n', 0}});
    for (std::uint16_t code : codes) tiff.Ifd0(Orientation(tiff, code));
    tiff.Ifd0({0x011A, 5, 1, {0, 0, 0, 72, 0, 0, 0, 1}});
    return tiff.Build();
  };
  cases.push_back({"AmongOtherTags", [=] { return among_others({6}); }, 6});
  cases.push_back({"FirstOfTwo", [=] { return among_others({6, 3}); }, 6});
  cases.push_back({"Zero", [] { return OrientationTiff(0, true); }, 1});
  cases.push_back({"Nine", [] { return OrientationTiff(9, false); }, 1});
  cases.push_back({"Huge", [] { return OrientationTiff(0xFF06, true); }, 1});
  cases.push_back({"LongType",
                   [] {
                     TiffBuilder tiff(true);
                     return tiff.Ifd0({0x0112, 4, 1, tiff.Long(6)}).Build();
                   },
                   1, true});
  cases.push_back({"CountTwo",
                   [] {
                     TiffBuilder tiff(true);
                     Bytes two = tiff.Short(6);
                     two.insert(two.end(), {6, 0});
                     return tiff.Ifd0({0x0112, 3, 2, two}).Build();
                   },
                   1, true});
  cases.push_back({"OnlyInTheExifDirectory",
                   [] {
                     TiffBuilder tiff(true);
                     tiff.Ifd0({0x010F, 2, 4, {'a', 'b', 'c', 0}});
                     return tiff.ExifIfd(Orientation(tiff, 6)).Build();
                   },
                   1, true});
  cases.push_back({"DirectoryPastTheEnd",
                   [] {
                     Bytes tiff = OrientationTiff(6, true);
                     Poke32(tiff, 4, static_cast<std::uint32_t>(tiff.size()));
                     return tiff;
                   },
                   1});
  cases.push_back({"DirectoryInTheHeader",
                   [] {
                     Bytes tiff = OrientationTiff(6, false);
                     Poke32(tiff, 4, 2);
                     return tiff;
                   },
                   1});
  cases.push_back({"DirectoryAtTheFarEnd",
                   [] {
                     Bytes tiff = OrientationTiff(6, true);
                     Poke32(tiff, 4, 0xFFFFFFF0u);
                     return tiff;
                   },
                   1});
  cases.push_back({"CountRunsPastTheEnd",
                   [] {
                     Bytes tiff = OrientationTiff(6, false);
                     Poke16(tiff, 8, 2);
                     return tiff;
                   },
                   1});
  cases.push_back({"CutInTheEntry",
                   [] {
                     Bytes tiff = OrientationTiff(6, true);
                     tiff.resize(8 + 2 + 10);
                     return tiff;
                   },
                   1});
  cases.push_back({"CutInTheHeader", [] { return Bytes{'I', 'I', 42, 0, 8, 0}; }, 1});
  cases.push_back({"MixedByteOrder",
                   [] {
                     Bytes tiff = OrientationTiff(6, true);
                     tiff[1] = 'M';
                     return tiff;
                   },
                   1});
  cases.push_back({"NotTiff",
                   [] {
                     Bytes tiff = OrientationTiff(6, true);
                     tiff[2] = 43;
                     return tiff;
                   },
                   1, true});
  cases.push_back({"Empty", [] { return Bytes{}; }, 1});
  return cases;
}

class ExifOrientationOf : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(ExifOrientationOf, IsTheCodeOrOneWhenItCannotBeTrusted) {
  EXPECT_EQ(ExifOrientation(GetParam().tiff()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Structures, ExifOrientationOf, ::testing::ValuesIn(OrientationCases()),
                         [](const ::testing::TestParamInfo<OrientationCase>& info) {
                           return info.param.name;
                         });

// exiftool reads the same files: every code the reader finds, exiftool finds too, and every
// code exiftool finds the reader finds as well, but for codes outside 1..8 (which no viewer
// turns by) and the structures marked lenient_elsewhere.
TEST(ExifOrientation, AgreesWithExiftoolOnEveryReadableCode) {
  const std::string exiftool = FindTool("exiftool");
  if (exiftool.empty()) GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
  TempFolder folder;
  const Bytes plain = EncodeJpeg(PhotoLike(8, 8, 1), 75, false);
  std::map<std::string, std::uint8_t> ours;
  std::map<std::string, bool> lenient;
  for (const OrientationCase& c : OrientationCases()) {
    const Bytes file = WithSegments(plain, {ExifSegment(c.tiff())});
    WriteBytes(folder / c.name + ".jpg", file);
    ours[c.name] = ParseJpegFile(file).Orientation;
    lenient[c.name] = c.lenient_elsewhere;
  }
  // exiftool ends with status 1 when some file had an error, which forged files do; the table
  // it prints is complete all the same.
  (void)RunTool(exiftool, {"-q", "-m", "-n", "-T", "-FileName", "-Orientation", folder.path()},
                folder / "exiftool.txt");
  std::ifstream table(folder / "exiftool.txt");
  std::string line;
  int compared = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string file;
    std::string code;
    std::getline(fields, file, '\t');
    std::getline(fields, code, '\t');
    const std::string name = file.substr(0, file.size() - 4);
    if (!ours.count(name)) continue;
    SCOPED_TRACE(name + " exiftool " + code);
    const int theirs = code == "-" ? 1 : std::stoi(code);
    if (lenient[name]) {
      EXPECT_EQ(ours[name], 1);
    } else {
      EXPECT_EQ(ours[name], theirs >= 1 && theirs <= 8 ? theirs : 1);
    }
    ++compared;
  }
  EXPECT_EQ(compared, static_cast<int>(ours.size())) << "exiftool should list every file";
}

// With several APP1 segments the first EXIF one decides, as in viewers and metadata libraries.
TEST(ExifOrientation, ComesFromTheFirstExifSegment) {
  const Bytes plain = EncodeJpeg(PhotoLike(8, 8, 1), 75, false);
  const Segment xmp = XmpSegment("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
  const Segment six = ExifSegment(OrientationTiff(6, true));
  const Segment three = ExifSegment(OrientationTiff(3, false));
  Bytes cut = OrientationTiff(8, true);
  cut.resize(12);
  EXPECT_EQ(ParseJpegFile(WithSegments(plain, {xmp, six})).Orientation, 6);
  EXPECT_EQ(ParseJpegFile(WithSegments(plain, {six, three})).Orientation, 6);
  EXPECT_EQ(ParseJpegFile(WithSegments(plain, {ExifSegment(cut), three})).Orientation, 1);
  EXPECT_EQ(ParseJpegFile(WithSegments(plain, {CommentSegment("Exif"), three})).Orientation, 3);
}

struct SoundnessCase {
  std::string name;
  std::function<Bytes()> tiff;
  bool sound;
};

// A camera's block: IFD0 with an EXIF directory, IFD1 with a thumbnail.
TiffBuilder CameraTiff(bool little) {
  TiffBuilder tiff(little);
  tiff.Ifd0({0x010F, 2, 6, {'N', 'i', 'k', 'o', 'n', 0}}).Ifd0(Orientation(tiff, 6));
  tiff.ExifIfd({0x9003, 2, 20, Bytes(20, '1')}).ExifIfd({0xA002, 4, 1, tiff.Long(640)});
  tiff.Thumbnail(Bytes(300, 0xAB));
  return tiff;
}

// Offsets in the camera block as TiffBuilder lays it out: IFD0 at 8 with three entries (the
// last the EXIF pointer), its next-directory word at 8 + 2 + 36.
constexpr std::size_t kIfd0ExifPointerValue = 8 + 2 + 2 * 12 + 8;
constexpr std::size_t kIfd0Next = 8 + 2 + 3 * 12;

std::vector<SoundnessCase> SoundnessCases() {
  std::vector<SoundnessCase> cases;
  cases.push_back({"CameraIntel", [] { return CameraTiff(true).Build(); }, true});
  cases.push_back({"CameraMotorola", [] { return CameraTiff(false).Build(); }, true});
  cases.push_back({"OrientationOnly", [] { return OrientationTiff(3, true); }, true});
  cases.push_back({"NextDirectoryPastTheEnd",
                   [] {
                     Bytes tiff = CameraTiff(true).Build();
                     Poke32(tiff, kIfd0Next, 0x7FFFFFF0u);
                     return tiff;
                   },
                   true});
  cases.push_back({"ExifPointerPastTheEnd",
                   [] {
                     Bytes tiff = CameraTiff(false).Build();
                     Poke32(tiff, kIfd0ExifPointerValue, static_cast<std::uint32_t>(tiff.size()));
                     return tiff;
                   },
                   false});
  cases.push_back({"ExifPointerToTheFirstDirectory",
                   [] {
                     Bytes tiff = CameraTiff(true).Build();
                     Poke32(tiff, kIfd0ExifPointerValue, 8);
                     return tiff;
                   },
                   false});
  cases.push_back({"ChainBackToTheFirstDirectory",
                   [] {
                     TiffBuilder builder(true);
                     Bytes tiff = builder.Ifd0(Orientation(builder, 1)).Build();
                     Poke32(tiff, 8 + 2 + 12, 8);
                     return tiff;
                   },
                   false});
  cases.push_back({"ValuePastTheEnd",
                   [] {
                     Bytes tiff = CameraTiff(true).Build();
                     Poke32(tiff, 8 + 2 + 8, static_cast<std::uint32_t>(tiff.size() - 2));
                     return tiff;
                   },
                   false});
  cases.push_back({"CountTimesSizeOverflows",
                   [] {
                     TiffBuilder tiff(false);
                     return tiff.Ifd0({0x9286, 12, 0x20000001u, tiff.Long(8)}).Build();
                   },
                   false});
  cases.push_back({"CountRunsPastTheEnd",
                   [] {
                     Bytes tiff = CameraTiff(false).Build();
                     Poke16(tiff, 8, 0x0FFF);
                     return tiff;
                   },
                   false});
  cases.push_back({"SeventeenChainedDirectories",
                   [] {
                     Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
                     for (std::uint32_t i = 0; i < 17; ++i) {
                       const std::uint32_t next = i == 16 ? 0 : 8 + 6 * (i + 1);
                       tiff.insert(tiff.end(), {0, 0, static_cast<std::uint8_t>(next), 0, 0, 0});
                     }
                     return tiff;
                   },
                   false});
  cases.push_back({"CutInTheHeader", [] { return Bytes{'M', 'M', 0, 42, 0}; }, false});
  return cases;
}

class ExifStructure : public ::testing::TestWithParam<SoundnessCase> {};

TEST_P(ExifStructure, IsSoundOnlyWhenEverythingLiesWithinTheBlock) {
  EXPECT_EQ(ExifStructureIsSound(GetParam().tiff()), GetParam().sound);
}

INSTANTIATE_TEST_SUITE_P(Structures, ExifStructure, ::testing::ValuesIn(SoundnessCases()),
                         [](const ::testing::TestParamInfo<SoundnessCase>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quelmar
