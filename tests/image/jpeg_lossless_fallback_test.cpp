#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/jpeg_file.h"
#include "image/jpeg_lossless.h"
#include "image/stamp.h"
#include "support/file_tools.h"
#include "support/jpeg_coefficients.h"
#include "support/jpeg_lossless_support.h"
#include "support/jpeg_segments.h"
#include "support/jpeg_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

StampSettings FullStrength(std::int32_t position) {
  StampSettings settings;
  settings.FPosition = position;
  settings.FAlpha = 256;
  return settings;
}

// A segment FF marker with payload, inserted right after SOI.
std::vector<std::uint8_t> WithSegment(std::vector<std::uint8_t> bytes, std::uint8_t marker,
                                      const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> segment{0xFF, marker,
                                    static_cast<std::uint8_t>((payload.size() + 2) >> 8),
                                    static_cast<std::uint8_t>(payload.size() + 2)};
  segment.insert(segment.end(), payload.begin(), payload.end());
  bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
  return bytes;
}

// An Exif block whose first directory holds only an orientation tag (little-endian TIFF).
std::vector<std::uint8_t> ExifWithOrientation(std::uint8_t orientation) {
  return {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42,          0, 8, 0, 0, 0,  // header, IFD at 8
          1,    0,                                                           // one entry
          0x12, 0x01, 3,   0,   1, 0, 0,   0,   orientation, 0, 0, 0,  // orientation, SHORT, 1
          0,    0,    0,   0};
}

std::vector<std::uint8_t> IccProfile() {
  std::vector<std::uint8_t> payload{'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
  for (int i = 0; i < 40; ++i) payload.push_back(static_cast<std::uint8_t>(i * 7));
  return payload;
}

bool HasSegment(const std::vector<std::uint8_t>& bytes, std::uint8_t marker) {
  const std::vector<JpegSegment> segments = JpegSegments(bytes);
  return std::any_of(segments.begin(), segments.end(),
                     [&](const JpegSegment& s) { return s.marker == marker; });
}

TEST(StampJpegLossless, FallsBackForWhatItCannotDoExactly) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  const Raster24 logo = TestLogo(20, 12);
  const std::vector<std::uint8_t> plain = MakeSource({"plain", 96, 64, {}});
  const std::vector<std::uint8_t> arithmetic = MakeSource({"arith", 96, 64, {"-arithmetic"}});
  ASSERT_FALSE(arithmetic.empty());
  std::vector<std::uint8_t> twelve_bit = plain;  // the SOF's precision byte forged to 12
  const std::uint8_t sof_marker[] = {0xFF, 0xC0};
  const auto sof = std::search(twelve_bit.begin(), twelve_bit.end(), std::begin(sof_marker),
                               std::end(sof_marker));
  ASSERT_NE(sof, twelve_bit.end());
  sof[4] = 12;
  std::vector<std::uint8_t> truncated(plain.begin(),
                                      plain.end() - static_cast<std::ptrdiff_t>(plain.size() / 3));
  truncated.insert(truncated.end(), {0xFF, 0xD9});

  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    LosslessFallback reason;
  };
  const Case cases[] = {
      {"arithmetic", arithmetic, LosslessFallback::kArithmetic},
      {"12-bit", twelve_bit, LosslessFallback::kPrecision},
      {"rotated", WithSegment(plain, 0xE1, ExifWithOrientation(6)), LosslessFallback::kOrientation},
      {"truncated", truncated, LosslessFallback::kDamaged},
  };
  for (const Case& c : cases) {
    JpegFile file;
    file.data = c.bytes;  // 12-bit files are refused by the header parser itself
    const LosslessJpeg result = StampJpegLossless(
        file, {0, 0, 20, 12},
        [&](Raster24& pixels, PicturePoint) { StampLogoAt(pixels, logo, {}, {}); });
    EXPECT_EQ(result.outcome, LosslessOutcome::kFallback) << c.name;
    EXPECT_EQ(result.reason, c.reason) << c.name;
    EXPECT_TRUE(result.bytes.empty()) << c.name;
  }
  // A logo over most of the photo is no faster this way.
  const LosslessJpeg large = StampLossless(plain, TestLogo(90, 60), FullStrength(kTopLeft));
  EXPECT_EQ(large.reason, LosslessFallback::kLargeLogo);
}

// Exif orientation 1 needs no new pixels; the colour profile stays with the pixels it describes
// and the rest of the metadata goes, as in the full path.
TEST(StampJpegLossless, KeepsTheColourProfileAndDropsOtherMetadata) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  const Raster24 logo = TestLogo(20, 12);
  for (const LosslessSource& source : {LosslessSource{"baseline", 96, 64, {}},
                                       LosslessSource{"progressive", 96, 64, {"-progressive"}}}) {
    std::vector<std::uint8_t> bytes = MakeSource(source);
    bytes = WithSegment(bytes, 0xE1, ExifWithOrientation(1));
    bytes = WithSegment(bytes, 0xE2, IccProfile());
    bytes = WithSegment(bytes, 0xFE, {'h', 'i'});
    const LosslessJpeg result = StampLossless(bytes, logo, FullStrength(kBottomRight));
    ASSERT_NE(result.outcome, LosslessOutcome::kFallback) << source.name;
    EXPECT_TRUE(HasSegment(result.bytes, 0xE2)) << source.name;
    EXPECT_FALSE(HasSegment(result.bytes, 0xE1)) << source.name;
    EXPECT_FALSE(HasSegment(result.bytes, 0xFE)) << source.name;
    const std::vector<JpegSegment> segments = JpegSegments(result.bytes);
    const auto icc = std::find_if(segments.begin(), segments.end(),
                                  [](const JpegSegment& s) { return s.marker == 0xE2; });
    EXPECT_EQ(icc->payload, IccProfile()) << source.name;
  }
}

// The AC symbols of the Huffman tables of a stream: its DHT segments read by hand.
std::vector<std::vector<std::uint8_t>> AcTables(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::vector<std::uint8_t>> tables;
  for (const JpegSegment& segment : JpegSegments(bytes)) {
    if (segment.marker != 0xC4) continue;
    std::size_t at = 0;
    while (at + 17 <= segment.payload.size()) {
      std::size_t count = 0;
      for (int l = 1; l <= 16; ++l) count += segment.payload[at + l];
      if ((segment.payload[at] >> 4) == 1) {
        tables.emplace_back(segment.payload.begin() + static_cast<std::ptrdiff_t>(at + 17),
                            segment.payload.begin() + static_cast<std::ptrdiff_t>(at + 17 + count));
      }
      at += 17 + count;
    }
  }
  return tables;
}

void ExpectOnlyTheRegionChanged(const std::vector<std::uint8_t>& source,
                                const std::vector<std::uint8_t>& output, const Raster24& logo,
                                const StampSettings& settings) {
  const Coefficients before = ReadCoefficients(source);
  const Coefficients after = ReadCoefficients(output);
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(after.warnings, 0);
  EXPECT_EQ(after.restart_interval, before.restart_interval);
  EXPECT_EQ(after.progressive, before.progressive);
  EXPECT_TRUE(SameOutsideRegion(before, after, RegionPixels(before, logo, settings)));
}

// A smooth photo coded with optimised tables has no codes for the large coefficients of a sharp
// logo: the tables get them in the code space they leave free, and every other bit is copied.
TEST(StampJpegLossless, ExtendsTablesThatLackACodeTheLogoNeeds) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  TempFolder folder;
  Raster24 smooth;
  smooth.SetSize(160, 96);
  for (std::int32_t y = 0; y < smooth.height(); ++y) {
    for (std::int32_t x = 0; x < 3 * smooth.width(); ++x) {
      smooth.Row(y)[x] = static_cast<std::uint8_t>(100 + x / 12 + y / 8);
    }
  }
  WritePpm((folder / "smooth.ppm"), smooth);
  ASSERT_TRUE(
      RunTool(FindTool("cjpeg"), {"-quality", "90", "-optimize", "-restart", "2B", "-outfile",
                                  (folder / "smooth.jpg"), (folder / "smooth.ppm")}));
  const std::vector<std::uint8_t> source = ReadBytes((folder / "smooth.jpg"));
  // The premise: no AC symbol of magnitude category 6 or more in the source's tables.
  for (const std::vector<std::uint8_t>& table : AcTables(source)) {
    for (std::uint8_t symbol : table) ASSERT_LT(symbol & 15, 6) << "the smooth photo is too rich";
  }
  const Raster24 logo = TestLogo(40, 24);
  const StampSettings settings = FullStrength(kTopCentre);
  const LosslessJpeg result = StampLossless(source, logo, settings);
  ASSERT_EQ(result.outcome, LosslessOutcome::kSpliced);
  const std::vector<std::vector<std::uint8_t>> before = AcTables(source);
  const std::vector<std::vector<std::uint8_t>> after = AcTables(result.bytes);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t t = 0; t < before.size(); ++t) {
    // The source's symbols keep their places (and so their codes); new ones follow.
    ASSERT_GE(after[t].size(), before[t].size());
    EXPECT_TRUE(std::equal(before[t].begin(), before[t].end(), after[t].begin()));
  }
  EXPECT_NE(after, before);
  ExpectOnlyTheRegionChanged(source, result.bytes, logo, settings);
}

// A flat photo coded with AC tables whose codes fill the whole code space has no room for the
// logo's codes: the scan is coded again with new tables.
TEST(StampJpegLossless, CodesTheScanAgainWhenTheTablesHaveNoRoom) {
  Raster24 flat;
  flat.SetSize(96, 64);
  for (std::int32_t y = 0; y < flat.height(); ++y) std::fill_n(flat.Row(y), 3 * 96, 120);
  // End of block with a one-bit code, then runs of zeros with a code one bit longer each, the
  // last of 16 bits: only the code of all ones is left.
  JHUFF_TBL full{};
  full.bits[1] = 1;
  full.huffval[0] = 0x00;
  for (int length = 2; length <= 16; ++length) {
    full.bits[length] = 1;
    full.huffval[length - 1] = static_cast<UINT8>((length - 1) << 4 | 1);
  }
  const std::vector<std::uint8_t> source = EncodeWithAcTable(flat, full);
  const Raster24 logo = TestLogo(30, 20);
  const StampSettings settings = FullStrength(kBottomLeft);
  const LosslessJpeg result = StampLossless(source, logo, settings);
  ASSERT_EQ(result.outcome, LosslessOutcome::kNewTables);
  EXPECT_NE(AcTables(result.bytes), AcTables(source));
  ExpectOnlyTheRegionChanged(source, result.bytes, logo, settings);
}

// Every path's output passes djpeg without a warning.
TEST(StampJpegLossless, OutputsPassDjpegWithoutWarnings) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  TempFolder folder;
  const Raster24 logo = TestLogo(37, 23);
  for (const LosslessSource& source :
       {LosslessSource{"s420", 150, 90, {}}, LosslessSource{"restart", 131, 77, {"-restart", "1B"}},
        LosslessSource{"gray", 99, 70, {"-grayscale"}},
        LosslessSource{"progressive", 150, 90, {"-progressive"}}}) {
    for (const std::int32_t position : {kTopLeft, kBottomCentre}) {
      const LosslessJpeg result = StampLossless(MakeSource(source), logo, FullStrength(position));
      ASSERT_NE(result.outcome, LosslessOutcome::kFallback) << source.name;
      WriteBytes((folder / "out.jpg"), result.bytes);
      EXPECT_TRUE(
          RunTool(FindTool("djpeg"), {"-outfile", (folder / "out.ppm"), (folder / "out.jpg")}))
          << source.name << " position " << position;
    }
  }
}

// Damaged coded data never crashes the mode: it falls back, or what it writes decodes.
TEST(StampJpegLossless, SurvivesDamagedCodedData) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  const Raster24 logo = TestLogo(20, 12);
  std::mt19937 random(3);
  for (const LosslessSource& source : {LosslessSource{"plain", 96, 64, {}},
                                       LosslessSource{"restart", 96, 64, {"-restart", "1B"}}}) {
    const std::vector<std::uint8_t> bytes = MakeSource(source);
    const std::uint8_t sos_marker[] = {0xFF, 0xDA};
    const auto sos =
        std::search(bytes.begin(), bytes.end(), std::begin(sos_marker), std::end(sos_marker));
    const auto scan = static_cast<std::size_t>(sos - bytes.begin()) + 16;
    std::uniform_int_distribution<std::size_t> place(scan, bytes.size() - 3);
    int fallbacks = 0;
    for (int trial = 0; trial < 60; ++trial) {
      std::vector<std::uint8_t> damaged = bytes;
      for (int flips = 0; flips <= trial % 4; ++flips)
        damaged[place(random)] ^= static_cast<std::uint8_t>(1 + trial);
      const LosslessJpeg result = StampLossless(damaged, logo, FullStrength(trial % 6));
      if (result.outcome == LosslessOutcome::kFallback) {
        ++fallbacks;
        continue;
      }
      EXPECT_TRUE(ReadCoefficients(result.bytes).ok) << source.name << " trial " << trial;
    }
    EXPECT_GT(fallbacks, 0) << source.name;
  }
}

}  // namespace
}  // namespace quelmar
