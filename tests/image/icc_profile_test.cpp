// Colour profiles: gathered from their APP2 chunks as libjpeg-turbo's own reader gathers them
// (but stricter about order), and written back so that they round-trip byte for byte while the
// rest of the stream stays what it is without them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "image/jpeg_file.h"
#include "support/file_tools.h"
#include "support/jpeg_segments.h"
#include "support/jpeg_tools.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

const Bytes& Plain() {
  static const Bytes plain = EncodeJpeg(PhotoLike(24, 16, 4), 85, false);
  return plain;
}

struct ChunkCase {
  std::string name;
  std::function<std::vector<Segment>(const Bytes& profile)> chunks;
  bool kept;
  bool library_keeps;  // libjpeg-turbo accepts chunks in any order
};

std::vector<ChunkCase> ChunkCases() {
  const auto reorder = [](std::vector<int> order) {
    return [order](const Bytes& profile) {
      const std::vector<Segment> chunks = IccSegments(profile, 1000);
      std::vector<Segment> out;
      for (int i : order) out.push_back(chunks.at(static_cast<std::size_t>(i)));
      return out;
    };
  };
  const auto poke = [](std::size_t chunk, std::size_t at, std::uint8_t value) {
    return [=](const Bytes& profile) {
      std::vector<Segment> chunks = IccSegments(profile, 1000);
      chunks.at(chunk).payload.at(at) = value;
      return chunks;
    };
  };
  return {
      {"InOrder", reorder({0, 1, 2}), true, true},
      {"OneChunk", [](const Bytes& p) { return IccSegments(p, p.size()); }, true, true},
      {"LargestChunks", [](const Bytes& p) { return IccSegments(p, 65519); }, true, true},
      {"BetweenOtherSegments",
       [](const Bytes& p) {
         std::vector<Segment> chunks = IccSegments(p, 1000);
         chunks.insert(chunks.begin() + 1, CommentSegment("between"));
         chunks.insert(chunks.begin() + 2, Segment{0xE2, {'M', 'P', 'F', 0}});
         return chunks;
       },
       true, true},
      {"OutOfOrder", reorder({1, 0, 2}), false, true},
      {"Missing", reorder({0, 2}), false, false},
      {"Repeated", reorder({0, 1, 1, 2}), false, false},
      {"CountsDisagree", poke(1, 13, 4), false, false},
      {"SequenceZero", poke(0, 12, 0), false, false},
      {"CountZero",
       [](const Bytes&) {
         return std::vector<Segment>{
             {0xE2, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 0, 0}}};
       },
       false, false},
      {"OneTooMany",
       [](const Bytes& p) {
         std::vector<Segment> chunks = IccSegments(p, 1000);
         Segment extra = chunks.back();
         extra.payload.at(12) = 4;
         chunks.push_back(extra);
         return chunks;
       },
       false, false},
      {"HeaderCut",
       [](const Bytes& p) {
         std::vector<Segment> chunks = IccSegments(p, 1000);
         chunks.back().payload.resize(13);
         return chunks;
       },
       false, false},
  };
}

class IccChunks : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(IccChunks, GiveTheWholeProfileOrNone) {
  const ChunkCase& c = GetParam();
  const Bytes profile = ProfileBytes(c.name == "LargestChunks" ? 200000 : 2500, 3);
  const Bytes file = WithSegments(Plain(), c.chunks(profile));
  const JpegFile jpeg = ParseJpegFile(file);
  EXPECT_EQ(jpeg.IccProfile, c.kept ? profile : Bytes());
  EXPECT_EQ(LibraryProfile(file), c.library_keeps ? profile : Bytes());
}

INSTANTIATE_TEST_SUITE_P(Sets, IccChunks, ::testing::ValuesIn(ChunkCases()),
                         [](const ::testing::TestParamInfo<ChunkCase>& info) {
                           return info.param.name;
                         });

class EncodeWithProfile : public ::testing::TestWithParam<bool> {};

// The profile comes back whole, right after the JFIF segment, and taking its chunks out again
// leaves exactly the stream encoded without it.
TEST_P(EncodeWithProfile, RoundTripsAndLeavesTheRestAsItIs) {
  const bool progressive = GetParam();
  const Raster24 photo = PhotoLike(40, 30, 8);
  const Bytes without = EncodeJpeg(photo, 90, progressive);
  for (std::size_t size : {std::size_t{1}, std::size_t{3144}, std::size_t{65519},
                           std::size_t{65520}, std::size_t{300000}}) {
    SCOPED_TRACE(size);
    const Bytes profile = ProfileBytes(size, static_cast<std::uint32_t>(size));
    const Bytes with = EncodeJpeg(photo, 90, progressive, profile);
    EXPECT_EQ(LibraryProfile(with), profile);
    EXPECT_EQ(ParseJpegFile(with).IccProfile, profile);
    const std::vector<JpegSegment> segments = JpegSegments(with);
    ASSERT_GE(segments.size(), 3u);
    EXPECT_EQ(segments[1].marker, 0xE0);
    EXPECT_EQ(segments[2].marker, 0xE2);
    EXPECT_EQ(WithoutSegments(with, 0xE2), without);
  }
  EXPECT_EQ(EncodeJpeg(photo, 90, progressive, {}), without);
}

INSTANTIATE_TEST_SUITE_P(Streams, EncodeWithProfile, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Progressive" : "Baseline");
                         });

}  // namespace
}  // namespace quelmar
