// Photos from phones and cameras: stamped upright in the corner the user sees, and written with
// their colour profile; photos without either are written exactly as before. With metadata kept,
// the outputs of a run hold their sources' metadata and dates.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "convert/convert_folder.h"
#include "image/jpeg_file.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

Bytes Photo(std::int32_t width, std::int32_t height, bool progressive = false) {
  return EncodeJpeg(GradientRaster(width, height, 3), 90, progressive);
}

Bytes WithOrientation(const Bytes& photo, std::uint16_t code) {
  return WithSegments(photo, {ExifSegment(OrientationTiff(code, code % 2 != 0))});
}

class ConvertTurned : public ::testing::TestWithParam<int> {
 protected:
  StampedJpeg Stamp(const Bytes& source, const Raster24& logo, StampChoices choices = {}) {
    WriteBytes(temp_ / "in.jpg", source);
    return StampJpegFile(temp_ / "in.jpg", logo, settings_, 85, choices);
  }

  TempFolder temp_;
  StampSettings settings_{kBottomRight, mkColor, 256, 250};
};

// The output is the upright picture, turned here by the definition of the code, stamped and
// encoded: the logo lands where the user sees the chosen corner.
TEST_P(ConvertTurned, WritesTheStampedUprightPicture) {
  const int code = GetParam();
  const Bytes plain = Photo(64, 40, code == 6);
  Raster24 stored;
  DecodeJpeg(ParseJpegFile(plain), stored);
  Raster24 expected = UprightByDefinition(stored, code);
  const Raster24 logo = LogoRaster(16, 12);
  StampLogo(expected, logo, settings_);

  const StampedJpeg stamped = Stamp(WithOrientation(plain, static_cast<std::uint16_t>(code)), logo);
  ASSERT_EQ(stamped.message, "");
  EXPECT_EQ(stamped.bytes, EncodeJpeg(expected, 85, code == 6));
  EXPECT_EQ(ParseJpegFile(stamped.bytes).Orientation, 1);
}

INSTANTIATE_TEST_SUITE_P(Codes, ConvertTurned, ::testing::Range(1, 9),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Code" + std::to_string(info.param);
                         });

// A photo stored 100 x 50 and turned a quarter is 50 x 100 as it is seen.
TEST_F(ConvertTurned, ComparesTheUprightSizeWithTheLogo) {
  const Bytes turned = WithOrientation(Photo(100, 50), 6);
  EXPECT_EQ(Stamp(turned, LogoRaster(40, 80)).message, "");
  EXPECT_EQ(Stamp(turned, LogoRaster(60, 40)).message, kSmallerThanLogo);
  const Bytes stored = WithOrientation(Photo(100, 50), 1);
  EXPECT_EQ(Stamp(stored, LogoRaster(40, 80)).message, kSmallerThanLogo);
  EXPECT_EQ(Stamp(stored, LogoRaster(60, 40)).message, "");
}

// Codes that do not turn, unreadable EXIF and other metadata leave the output exactly what the
// same pixels without any metadata give, by the full path and in the lossless mode (which keeps
// the blocks of these photos, and a profile only when its chunks make a whole one).
class ConvertUnturned : public ConvertTurned {};

TEST_P(ConvertUnturned, WritesTheSameBytesForPhotosThatNeedNoTurn) {
  const StampChoices choices{.lossless = GetParam() != 0};
  const Bytes plain = Photo(48, 32, true);
  const Raster24 logo = LogoRaster(16, 12);
  const StampedJpeg expected = Stamp(plain, logo, choices);
  if (choices.lossless) {
    ASSERT_TRUE(expected.lossless.has_value());
    ASSERT_NE(expected.lossless->outcome, LosslessOutcome::kFallback);
  }
  Bytes forged = OrientationTiff(6, true);
  Poke32(forged, 4, 0xFFFF0000u);  // IFD0 far past the segment's end
  const std::vector<std::vector<Segment>> variants = {
      {ExifSegment(OrientationTiff(1, true))},
      {ExifSegment(OrientationTiff(0, false))},
      {ExifSegment(OrientationTiff(9, true))},
      {ExifSegment(forged)},
      {XmpSegment("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>"), CommentSegment("hello"),
       IptcSegment(IptcDataset(80, "A. Tanaka"))},
      {Segment{0xE2, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 2, 2, 'x'}}},
  };
  for (std::size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Stamp(WithSegments(plain, variants[i]), logo, choices).bytes, expected.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ConvertUnturned, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param != 0 ? std::string("Lossless") : std::string("Full");
                         });

// The profile comes through byte for byte, and taking it out again leaves exactly the output of
// the same photo without one.
TEST_F(ConvertTurned, CarriesTheColourProfile) {
  const Bytes plain = Photo(48, 32);
  const Raster24 logo = LogoRaster(16, 12);
  const Bytes profile = ProfileBytes(70000, 9);
  const StampedJpeg with = Stamp(WithSegments(plain, IccSegments(profile, 30000)), logo);
  const StampedJpeg without = Stamp(plain, logo);
  EXPECT_EQ(LibraryProfile(with.bytes), profile);
  EXPECT_EQ(WithoutSegments(with.bytes, 0xE2), without.bytes);
}

// A run with metadata kept, through the pipeline's workers and without them, by the full path
// and by the lossless mode: each output holds its source's metadata, read back by exiftool, its
// profile and its source's date; a run without keeps neither. The lossless mode's sources are
// upright and, like many camera files, have no JFIF segment, so that their blocks are kept; the
// full path's are turned.
struct MetadataRunCase {
  int jobs = 1;
  bool lossless = false;
};

class KeepMetadataRun : public ::testing::TestWithParam<MetadataRunCase> {
 protected:
  void SetUp() override {
    if (fixtures::FindTool("exiftool").empty()) GTEST_SKIP() << "exiftool is not installed";
    host_.state.FMark = LogoRaster(8, 8);
    host_.state.FStop = 0;
    host_.jobs = GetParam().jobs;
    host_.lossless = GetParam().lossless;
    std::filesystem::create_directory(out_);
    TiffBuilder tiff(true);
    tiff.Ifd0({0x010F, 2, 6, {'P', 'h', 'o', 'n', 'e', 0}})
        .Ifd0({0x0112, 3, 1, tiff.Short(GetParam().lossless ? 1 : 6)});
    std::vector<Segment> segments = {ExifSegment(tiff.Build())};
    for (const Segment& chunk : IccSegments(profile_, 3000)) segments.push_back(chunk);
    const Bytes photo = Photo(40, 24);
    for (const char* name : {"a.jpg", "sub/b.jpg"}) {
      const std::string path = src_ + "/" + name;
      segments.push_back(CommentSegment(name));
      const Bytes source = WithSegments(photo, segments);
      WriteBytes(path, GetParam().lossless ? WithoutSegments(source, 0xE0) : source);
      segments.pop_back();
      std::filesystem::last_write_time(path, kSourceTime);
    }
  }

  const std::filesystem::file_time_type kSourceTime =
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  const Bytes profile_ = ProfileBytes(5000, 4);
  TempFolder temp_;
  const std::string src_ = temp_ / "src";
  const std::string out_ = temp_ / "out";
  FakeRunHost host_;
};

TEST_P(KeepMetadataRun, WritesEachSourcesMetadataAndDate) {
  host_.keep_metadata = true;
  ConvertFolder(host_, src_, out_);
  for (const char* name : {"a.jpg", "sub/b.jpg"}) {
    SCOPED_TRACE(name);
    const std::string output = out_ + "/" + name;
    std::map<std::string, std::string> tags = ExiftoolTags(output);
    EXPECT_EQ(tags["IFD0:Make"], "Phone");
    EXPECT_EQ(tags["IFD0:Orientation"], "1");
    EXPECT_EQ(tags["File:Comment"], name);
    EXPECT_EQ(tags["File:ImageWidth"], GetParam().lossless ? "40" : "24");
    EXPECT_EQ(LibraryProfile(ReadBytes(output)), profile_);
    EXPECT_EQ(std::filesystem::last_write_time(output), kSourceTime);
  }
  ASSERT_EQ(host_.outcomes.size(), 2u);
  for (const FileOutcome& outcome : host_.outcomes) {
    EXPECT_EQ(outcome.lossless.has_value(), GetParam().lossless);
    if (outcome.lossless) {
      EXPECT_NE(outcome.lossless->outcome, LosslessOutcome::kFallback);
    }
  }
}

TEST_P(KeepMetadataRun, KeepsNeitherWhenNotAsked) {
  ConvertFolder(host_, src_, out_);
  std::map<std::string, std::string> tags = ExiftoolTags(out_ + "/a.jpg");
  EXPECT_EQ(tags.count("IFD0:Make"), 0u);
  EXPECT_EQ(tags.count("File:Comment"), 0u);
  EXPECT_EQ(LibraryProfile(ReadBytes(out_ + "/a.jpg")), profile_);
  EXPECT_GT(std::filesystem::last_write_time(out_ + "/a.jpg"),
            kSourceTime + std::chrono::hours(24));
}

INSTANTIATE_TEST_SUITE_P(Runs, KeepMetadataRun,
                         ::testing::Values(MetadataRunCase{1, false}, MetadataRunCase{2, false},
                                           MetadataRunCase{1, true}, MetadataRunCase{2, true}),
                         [](const ::testing::TestParamInfo<MetadataRunCase>& info) {
                           return std::to_string(info.param.jobs) + "Jobs" +
                                  (info.param.lossless ? "Lossless" : "Full");
                         });

}  // namespace
}  // namespace quelmar
