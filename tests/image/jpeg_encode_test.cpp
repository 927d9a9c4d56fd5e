#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "image/jpeg_file.h"
#include "support/file_tools.h"
#include "support/jpeg_segments.h"
#include "support/jpeg_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

struct EncodeCase {
  std::int32_t width;
  std::int32_t height;
  int quality;
  bool progressive;
};

std::ostream& operator<<(std::ostream& out, const EncodeCase& c) {
  return out << c.width << "x" << c.height << " q" << c.quality
             << (c.progressive ? " progressive" : "");
}

// cjpeg with the floating-point DCT and forced baseline tables encodes the same pixels to the
// same bytes.
class EncodeJpegMatchesCjpeg : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeJpegMatchesCjpeg, ByteForByte) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  const EncodeCase& c = GetParam();
  TempFolder folder;
  const Raster24 photo = PhotoLike(c.width, c.height, 11);
  WritePpm(folder / "in.ppm", photo);
  std::vector<std::string> args{"-dct", "float", "-quality",
                                std::to_string(std::min(c.quality, 100)), "-baseline"};
  if (c.progressive) args.push_back("-progressive");
  args.insert(args.end(), {"-outfile", folder / "reference.jpg", folder / "in.ppm"});
  ASSERT_TRUE(RunTool(FindTool("cjpeg"), args));

  const std::vector<std::uint8_t> encoded =
      EncodeJpeg(photo, static_cast<std::uint8_t>(c.quality), c.progressive);
  const std::vector<std::uint8_t> reference = ReadBytes(folder / "reference.jpg");
  ASSERT_EQ(encoded.size(), reference.size());
  const auto mismatch = std::mismatch(encoded.begin(), encoded.end(), reference.begin());
  EXPECT_TRUE(mismatch.first == encoded.end())
      << "first difference at byte " << (mismatch.first - encoded.begin());

  // Given up to the encoder, a raster's rows go back to the system as they are taken, which
  // changes nothing in the stream, and the raster is left empty.
  Raster24 given_up = photo;
  EXPECT_TRUE(EncodeJpeg(std::move(given_up), static_cast<std::uint8_t>(c.quality),
                         c.progressive) == reference);
  EXPECT_TRUE(given_up.empty());
}

std::vector<EncodeCase> EncodeCases() {
  std::vector<EncodeCase> cases;
  for (bool progressive : {false, true}) {
    for (auto [w, h] :
         std::vector<std::pair<int, int>>{{1, 1}, {3, 5}, {101, 77}, {40, 1}, {1, 40}}) {
      cases.push_back({w, h, 75, progressive});
    }
    for (int quality : {0, 1, 50, 100, 255}) cases.push_back({101, 77, quality, progressive});
  }
  cases.push_back({640, 480, 90, false});
  cases.push_back({640, 480, 90, true});
  // Rasters large enough to be mapped on their own, whose pages go back as they are encoded.
  cases.push_back({2000, 1500, 90, false});
  cases.push_back({1500, 2000, 90, true});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Rasters, EncodeJpegMatchesCjpeg, ::testing::ValuesIn(EncodeCases()),
                         [](const ::testing::TestParamInfo<EncodeCase>& info) {
                           const EncodeCase& c = info.param;
                           return std::to_string(c.width) + "x" + std::to_string(c.height) + "Q" +
                                  std::to_string(c.quality) +
                                  (c.progressive ? "Progressive" : "Baseline");
                         });

// The natural-order position of each zigzag index.
constexpr std::array<int, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// ITU-T T.81 tables K.1 (luminance) and K.2 (chrominance), natural order.
constexpr std::array<int, 64> kLuminanceK1 = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChrominanceK2 = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The two quantisation tables of a stream, in natural order.
std::array<std::array<int, 64>, 2> QuantTables(const std::vector<std::uint8_t>& stream) {
  std::array<std::array<int, 64>, 2> tables{};
  int found = 0;
  for (const JpegSegment& segment : JpegSegments(stream)) {
    if (segment.marker != 0xDB) continue;
    EXPECT_EQ(segment.payload.size(), 65u) << "one 8-bit table per segment";
    const int id = segment.payload[0];
    EXPECT_EQ(id, found) << "table 0 first, then table 1, both 8-bit";
    if (id > 1 || segment.payload.size() != 65) continue;
    for (int z = 0; z < 64; ++z) tables[id][kZigzagToNatural[z]] = segment.payload[1 + z];
    ++found;
  }
  EXPECT_EQ(found, 2);
  return tables;
}

std::array<int, 64> Scaled(const std::array<int, 64>& basic, int quality) {
  const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  std::array<int, 64> table{};
  for (int i = 0; i < 64; ++i) table[i] = std::clamp((basic[i] * scale + 50) / 100, 1, 255);
  return table;
}

TEST(EncodeJpeg, ScalesTheAnnexKTablesByTheQuality) {
  const Raster24 photo = PhotoLike(16, 16, 1);
  const auto q50 = QuantTables(EncodeJpeg(photo, 50, false));
  EXPECT_EQ(q50[0], kLuminanceK1);
  EXPECT_EQ(q50[1], kChrominanceK2);

  std::array<int, 64> ones;
  ones.fill(1);
  std::array<int, 64> all255;
  all255.fill(255);
  for (int quality : {100, 101, 255}) {
    const auto tables = QuantTables(EncodeJpeg(photo, static_cast<std::uint8_t>(quality), false));
    EXPECT_EQ(tables[0], ones) << quality;
    EXPECT_EQ(tables[1], ones) << quality;
  }
  for (int quality : {0, 1}) {
    const auto tables = QuantTables(EncodeJpeg(photo, static_cast<std::uint8_t>(quality), true));
    EXPECT_EQ(tables[0], all255) << quality;
    EXPECT_EQ(tables[1], all255) << quality;
  }

  const auto q75 = QuantTables(EncodeJpeg(photo, 75, false));
  EXPECT_TRUE(std::equal(q75[0].begin(), q75[0].begin() + 8,
                         std::array<int, 8>{8, 6, 5, 8, 12, 20, 26, 31}.begin()));
  for (int quality : {2, 10, 49, 75, 99}) {
    const auto tables = QuantTables(EncodeJpeg(photo, static_cast<std::uint8_t>(quality), false));
    EXPECT_EQ(tables[0], Scaled(kLuminanceK1, quality)) << quality;
    EXPECT_EQ(tables[1], Scaled(kChrominanceK2, quality)) << quality;
  }
}

TEST(EncodeJpeg, TreatsQuality0AsQuality1) {
  const Raster24 photo = PhotoLike(33, 17, 2);
  EXPECT_EQ(EncodeJpeg(photo, 0, false), EncodeJpeg(photo, 1, false));
  EXPECT_EQ(EncodeJpeg(photo, 0, true), EncodeJpeg(photo, 1, true));
  EXPECT_EQ(EncodeJpeg(photo, 200, false), EncodeJpeg(photo, 100, false));
}

TEST(EncodeJpeg, BeginsWithSoiAndTheJfif101Header) {
  const std::vector<std::uint8_t> expected{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A,
                                           0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00,
                                           0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
  for (bool progressive : {false, true}) {
    const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(9, 9, 4), 75, progressive);
    ASSERT_GE(stream.size(), 20u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), stream.begin())) << progressive;
  }
}

std::vector<std::uint8_t> Markers(const std::vector<JpegSegment>& segments) {
  std::vector<std::uint8_t> markers;
  for (const JpegSegment& segment : segments) markers.push_back(segment.marker);
  return markers;
}

TEST(EncodeJpeg, WritesABaselineStreamWithOneInterleavedScan) {
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(301, 203, 6), 80, false);
  const std::vector<JpegSegment> segments = JpegSegments(stream);
  EXPECT_EQ(Markers(segments), (std::vector<std::uint8_t>{0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4,
                                                          0xC4, 0xC4, 0xDA, 0xD9}));
  ASSERT_EQ(segments.size(), 11u);
  EXPECT_EQ(segments[4].payload,
            (std::vector<std::uint8_t>{8, 0, 203, 1, 45, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
  std::vector<std::uint8_t> dht_classes;
  for (int i = 5; i < 9; ++i) dht_classes.push_back(segments[i].payload.at(0));
  EXPECT_EQ(dht_classes, (std::vector<std::uint8_t>{0x00, 0x10, 0x01, 0x11}));
  EXPECT_EQ(segments[9].payload,
            (std::vector<std::uint8_t>{3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0}));
  EXPECT_EQ(stream.size() >= 2 ? stream[stream.size() - 2] : 0, 0xFF);
}

TEST(EncodeJpeg, WritesTheTenScansOfTheSimpleProgression) {
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(301, 203, 6), 80, true);
  const std::vector<JpegSegment> segments = JpegSegments(stream);
  ASSERT_GE(segments.size(), 5u);
  EXPECT_EQ(Markers(segments).front(), 0xD8);
  EXPECT_EQ(segments[1].marker, 0xE0);
  EXPECT_EQ(segments[2].marker, 0xDB);
  EXPECT_EQ(segments[3].marker, 0xDB);
  EXPECT_EQ(segments[4].marker, 0xC2);
  EXPECT_EQ(segments[4].payload,
            (std::vector<std::uint8_t>{8, 0, 203, 1, 45, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
  EXPECT_EQ(segments.back().marker, 0xD9);

  // Component ids, then Ss, Se and Ah/Al of each scan.
  const std::vector<std::vector<std::uint8_t>> expected{
      {1, 2, 3, 0, 0, 0x01}, {1, 1, 5, 0x02},  {3, 1, 63, 0x01},      {2, 1, 63, 0x01},
      {1, 6, 63, 0x02},      {1, 1, 63, 0x21}, {1, 2, 3, 0, 0, 0x10}, {3, 1, 63, 0x10},
      {2, 1, 63, 0x10},      {1, 1, 63, 0x10}};
  std::vector<std::vector<std::uint8_t>> scans;
  bool tables_before_each_scan = true;
  for (std::size_t i = 5; i < segments.size(); ++i) {
    if (segments[i].marker == 0xC4 || segments[i].marker == 0xD9) continue;
    ASSERT_EQ(segments[i].marker, 0xDA) << "only tables and scans follow the frame";
    const std::vector<std::uint8_t>& p = segments[i].payload;
    std::vector<std::uint8_t> scan;
    for (int c = 0; c < p[0]; ++c) scan.push_back(p[1 + 2 * c]);
    scan.insert(scan.end(), p.end() - 3, p.end());
    scans.push_back(scan);
    // Every scan except the refinement of DC needs Huffman tables of its own.
    const bool dc_refinement = scan.back() == 0x10 && p[0] == 3;
    if (!dc_refinement && segments[i - 1].marker != 0xC4) tables_before_each_scan = false;
  }
  EXPECT_EQ(scans, expected);
  EXPECT_TRUE(tables_before_each_scan);
}

TEST(EncodeJpeg, WritesNoRestartMarkersNoCommentsAndNoOtherApplicationSegments) {
  for (bool progressive : {false, true}) {
    const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(500, 300, 8), 95, progressive);
    for (std::uint8_t marker : Markers(JpegSegments(stream))) {
      EXPECT_FALSE(marker >= 0xD0 && marker <= 0xD7) << "restart marker";
      EXPECT_NE(marker, 0xDD) << "restart interval";
      EXPECT_NE(marker, 0xFE) << "comment";
      EXPECT_FALSE(marker > 0xE0 && marker <= 0xEF) << "APP" << (marker - 0xE0);
    }
  }
}

TEST(EncodeJpeg, GivesAnEmptyStreamForAnEmptyRaster) {
  Raster24 raster;
  EXPECT_TRUE(EncodeJpeg(raster, 75, false).empty());
  raster.SetSize(10, 0);
  EXPECT_TRUE(EncodeJpeg(raster, 75, true).empty());
}

TEST(EncodeJpeg, FailsWithCode41ForARasterWiderThan65500) {
  Raster24 raster;
  raster.SetSize(65501, 1);
  try {
    EncodeJpeg(raster, 75, false);
    FAIL() << "65501 pixels wide were encoded";
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), 41);
  }
  raster.SetSize(65500, 1);
  EXPECT_EQ(ParseJpegFile(EncodeJpeg(raster, 75, false)).width, 65500u);
}

TEST(EncodeJpeg, RoundTripsThinRastersAndKeepsTheScanKind) {
  for (auto [w, h] : std::vector<std::pair<int, int>>{{3, 5}, {1, 1}, {1, 17}, {17, 1}}) {
    for (bool progressive : {false, true}) {
      // Blue, green and red far apart and changing slowly, so that a swap of red and blue or a
      // lost row would show through the small coding error.
      Raster24 raster;
      raster.SetSize(w, h);
      for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
          std::uint8_t* pixel = raster.Row(y) + 3 * x;
          pixel[0] = static_cast<std::uint8_t>(20 + 2 * x);
          pixel[1] = 110;
          pixel[2] = static_cast<std::uint8_t>(220 - 2 * y);
        }
      }
      const JpegFile jpeg = ParseJpegFile(EncodeJpeg(raster, 100, progressive));
      EXPECT_EQ(jpeg.width, static_cast<std::uint32_t>(w));
      EXPECT_EQ(jpeg.height, static_cast<std::uint32_t>(h));
      EXPECT_EQ(jpeg.MultiScan, progressive);
      Raster24 decoded;
      decoded.SetSize(w, h);
      DecodeJpeg(jpeg, decoded);
      ASSERT_EQ(decoded.width(), w);
      ASSERT_EQ(decoded.height(), h);
      for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t i = 0; i < 3 * w; ++i) {
          EXPECT_NEAR(decoded.Row(y)[i], raster.Row(y)[i], 6) << w << "x" << h << " byte " << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quelmar
