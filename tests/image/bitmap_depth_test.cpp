#include <gtest/gtest.h>

#include "image/bitmap_file.h"
#include "support/bmp_builder.h"
#include "support/rasters.h"

namespace quelmar {
namespace {

using namespace fixtures;
using Rows = std::vector<std::vector<std::uint32_t>>;

Rows Decode(const BmpLayout& layout) {
  Raster24 raster;
  DecodeBitmap(BuildBmp(layout), raster);
  return PixelsOf(raster);
}

std::vector<std::uint32_t> GreyRamp(int count) {
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < count; ++i)
    palette.push_back(0x010101u * static_cast<std::uint32_t>(i * 16 + 1));
  return palette;
}

TEST(DecodeBitmap, EmptyInputGivesAnEmptyRasterWithoutError) {
  Raster24 raster = MarkedRaster();
  DecodeBitmap({}, raster);
  EXPECT_EQ(raster.width(), 0);
  EXPECT_EQ(raster.height(), 0);
}

TEST(DecodeBitmap, EightBitIndicesTakeTheirColourTableColoursBottomRowStoredFirst) {
  const std::vector<std::uint32_t> palette = {0x112233, 0x445566, 0x778899};
  std::vector<std::uint32_t> table = palette;
  table.resize(256, 0x0A0B0C);
  const Rows stored = {{2, 1, 0}, {0, 0, 1}};
  EXPECT_EQ(Decode({.width = 3,
                    .height = 2,
                    .bit_count = 8,
                    .palette = table,
                    .pixels = PackRows(stored, 8)}),
            (Rows{{0x112233, 0x112233, 0x445566}, {0x778899, 0x445566, 0x112233}}));
}

TEST(DecodeBitmap, OneBitIndicesFillEachByteFromItsHighBit) {
  const Rows stored = {{1, 0, 0, 1, 1, 0, 1, 0, 0, 1}};
  const std::uint32_t a = 0x102030;
  const std::uint32_t b = 0xF0E0D0;
  EXPECT_EQ(Decode({.width = 10,
                    .height = 1,
                    .bit_count = 1,
                    .palette = {a, b},
                    .pixels = PackRows(stored, 1)}),
            (Rows{{b, a, a, b, b, a, b, a, a, b}}));
}

TEST(DecodeBitmap, FourBitIndicesTakeTheHighNibbleFirst) {
  const std::vector<std::uint32_t> palette = GreyRamp(16);
  EXPECT_EQ(Decode({.width = 5,
                    .height = 1,
                    .bit_count = 4,
                    .palette = palette,
                    .pixels = PackRows({{0, 1, 2, 15, 3}}, 4)}),
            (Rows{{palette[0], palette[1], palette[2], palette[15], palette[3]}}));
}

TEST(DecodeBitmap, IndexBeyondTheColourTableGivesBlack) {
  EXPECT_EQ(Decode({.width = 4,
                    .height = 1,
                    .bit_count = 8,
                    .colours_used = 2,
                    .palette = {0x111111, 0x222222},
                    .pixels = PackRows({{1, 2, 255, 0}}, 8)}),
            (Rows{{0x222222, 0, 0, 0x111111}}));
  EXPECT_EQ(Decode({.width = 2,
                    .height = 1,
                    .bit_count = 4,
                    .colours_used = 3,
                    .palette = {0x111111, 0x222222, 0x333333},
                    .pixels = PackRows({{2, 7}}, 4)}),
            (Rows{{0x333333, 0}}));
}

TEST(DecodeBitmap, CoreHeaderHasThreeByteColourTableEntries) {
  const std::vector<std::uint32_t> palette = GreyRamp(16);
  EXPECT_EQ(Decode({.header_size = 12,
                    .width = 3,
                    .height = 1,
                    .bit_count = 4,
                    .palette = palette,
                    .pixels = PackRows({{15, 1, 8}}, 4)}),
            (Rows{{palette[15], palette[1], palette[8]}}));
  EXPECT_EQ(Decode({.header_size = 12,
                    .width = 2,
                    .height = 2,
                    .pixels = PackRows({{0x010203, 0x040506}, {0x070809, 0x0A0B0C}}, 24)}),
            (Rows{{0x070809, 0x0A0B0C}, {0x010203, 0x040506}}));
}

TEST(DecodeBitmap, NegativeHeightGivesTheFirstStoredRowAsRowZero) {
  const Rows stored = {{0xAA0000}, {0x00BB00}, {0x0000CC}};
  EXPECT_EQ(Decode({.width = 1, .height = -3, .pixels = PackRows(stored, 24)}), stored);
  EXPECT_EQ(Decode({.width = 1, .height = 3, .pixels = PackRows(stored, 24)}),
            (Rows{{0x0000CC}, {0x00BB00}, {0xAA0000}}));
}

TEST(DecodeBitmap, ThirtyTwoBitPixelsDropTheirFourthByte) {
  EXPECT_EQ(Decode({.width = 2,
                    .height = 1,
                    .bit_count = 32,
                    .pixels = PackRows({{0xFF112233, 0x00ABCDEF}}, 32)}),
            (Rows{{0x112233, 0xABCDEF}}));
}

TEST(DecodeBitmap, SixteenBitPixelsWidenFiveBitChannelsByBitReplication) {
  EXPECT_EQ(
      Decode({.width = 7,
              .height = 1,
              .bit_count = 16,
              .pixels = PackRows({{0x7FFF, 0xFFFF, 0x8000, 0x7C00, 0x03E0, 0x4210, 0x0001}}, 16)}),
      (Rows{{0xFFFFFF, 0xFFFFFF, 0x000000, 0xFF0000, 0x00FF00, 0x848484, 0x000008}}));
}

TEST(DecodeBitmap, SixteenBitMasksFiveSixFiveAfterTheHeaderSelectTheChannels) {
  EXPECT_EQ(Decode({.width = 4,
                    .height = 1,
                    .bit_count = 16,
                    .compression = 3,
                    .masks = {0xF800, 0x07E0, 0x001F},
                    .pixels = PackRows({{0xF800, 0x07E0, 0x0020, 0x8410}}, 16)}),
            (Rows{{0xFF0000, 0x00FF00, 0x000400, 0x848284}}));
}

TEST(DecodeBitmap, TenBitMasksInsideALongHeaderKeepTheirTopEightBits) {
  const std::uint32_t pixel = 0x3FFu << 20 | 0x200u << 10 | 0x1FFu;
  EXPECT_EQ(Decode({.header_size = 56,
                    .width = 1,
                    .height = 1,
                    .bit_count = 32,
                    .compression = 3,
                    .masks = {0x3FF00000, 0x000FFC00, 0x000003FF},
                    .pixels = PackRows({{pixel}}, 32)}),
            (Rows{{0xFF807F}}));
}

TEST(DecodeBitmap, ZeroMaskGivesZeroAndSwappedMasksSwapTheChannels) {
  EXPECT_EQ(Decode({.header_size = 108,
                    .width = 2,
                    .height = 1,
                    .bit_count = 32,
                    .compression = 3,
                    .masks = {0x000000FF, 0, 0x00FF0000},
                    .pixels = PackRows({{0xFFFFFFFF, 0x00123456}}, 32)}),
            (Rows{{0xFF00FF, 0x560012}}));
}

TEST(DecodeBitmap, MasksInsideTheHeaderAreIgnoredWithoutMaskCompression) {
  EXPECT_EQ(Decode({.header_size = 124,
                    .width = 1,
                    .height = 1,
                    .bit_count = 32,
                    .masks = {0x000000FF, 0x0000FF00, 0x00FF0000},
                    .pixels = PackRows({{0x00112233}}, 32)}),
            (Rows{{0x112233}}));
}

TEST(DecodeBitmap, ShortPixelArrayGivesZeroBytesForTheMissingPart) {
  std::vector<std::uint8_t> pixels = PackRows({{0x010203, 0x040506}, {0x070809, 0x0A0B0C}}, 24);
  pixels.resize(8 + 3);
  EXPECT_EQ(Decode({.width = 2, .height = 3, .pixels = pixels}),
            (Rows{{0, 0}, {0x070809, 0}, {0x010203, 0x040506}}));
}

TEST(DecodeBitmap, ShortIndexedPixelArrayGivesIndexZero) {
  std::vector<std::uint32_t> table = {0x123456, 0xABCDEF};
  table.resize(256);
  EXPECT_EQ(Decode({.width = 2, .height = 2, .bit_count = 8, .palette = table, .pixels = {1}}),
            (Rows{{0x123456, 0x123456}, {0xABCDEF, 0x123456}}));
}

BmpLayout GapSpec() {
  return {.width = 2,
          .height = 1,
          .bit_count = 8,
          .colours_used = 2,
          .palette = {0x111111, 0x222222},
          .pixels = {1, 0, 0, 0}};
}

TEST(DecodeBitmap, PixelOffsetPastTheColourTableSkipsTheGapBeforeThePixels) {
  BmpLayout layout = GapSpec();
  layout.gap = 6;
  EXPECT_EQ(Decode(layout), (Rows{{0x222222, 0x111111}}));
}

TEST(DecodeBitmap, PixelOffsetIntoTheColourTableOrPastTheEndIsIgnored) {
  const std::uint32_t table_end = 14 + 40 + 2 * 4;
  for (const std::uint32_t offset : {0u, table_end - 4, table_end + 4, 0xFFFFFFFFu}) {
    BmpLayout layout = GapSpec();
    layout.pixel_offset = offset;
    EXPECT_EQ(Decode(layout), (Rows{{0x222222, 0x111111}})) << offset;
  }
}

}  // namespace
}  // namespace quelmar
