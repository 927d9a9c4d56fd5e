#include <gtest/gtest.h>

#include "image/bitmap_file.h"
#include "support/bmp_builder.h"

namespace quelmar {
namespace {

using namespace fixtures;
using Rows = std::vector<std::vector<std::uint32_t>>;

// Index i shows as 0x0100i0 so that index 0 is told apart from black.
std::uint32_t Colour(std::uint32_t index) {
  return 0x010000 | index << 4;
}

Rows DecodeRunLength(int bit_count, std::int32_t width, std::int32_t height,
                     const std::vector<std::uint8_t>& data) {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < (1u << bit_count); ++i) palette.push_back(Colour(i));
  Raster24 raster;
  DecodeBitmap(BuildBmp({.width = width,
                         .height = height,
                         .bit_count = static_cast<std::uint16_t>(bit_count),
                         .compression = bit_count == 8 ? 1u : 2u,
                         .image_size = static_cast<std::uint32_t>(data.size()),
                         .palette = palette,
                         .pixels = data}),
               raster);
  return PixelsOf(raster);
}

Rows Colours(const std::vector<std::vector<std::uint32_t>>& indices) {
  Rows rows;
  for (const auto& row : indices) {
    auto& out = rows.emplace_back();
    for (const std::uint32_t index : row) out.push_back(Colour(index));
  }
  return rows;
}

TEST(DecodeRunLength, EightBitRunsLiteralRunsAndEndCodesFillRowsFromTheBottom) {
  const std::vector<std::uint8_t> data = {0x03, 0x05, 0x00, 0x03, 0x01,
                                          0x02, 0x03, 0x00, 0x00, 0x00,  // 5 5 5, literal 1 2 3
                                          0x02, 0x07, 0x00, 0x00,        // 7 7, end of line
                                          0x06, 0x09, 0x00, 0x01,        // six 9s, end of bitmap
                                          0x03, 0x04};
  EXPECT_EQ(DecodeRunLength(8, 6, 3, data),
            Colours({{9, 9, 9, 9, 9, 9}, {7, 7, 0, 0, 0, 0}, {5, 5, 5, 1, 2, 3}}));
}

TEST(DecodeRunLength, DeltaSkipsPixelsThatTakeIndexZero) {
  const std::vector<std::uint8_t> data = {0x01, 0x04, 0x00, 0x02, 0x01,
                                          0x01, 0x01, 0x06, 0x00, 0x01};
  EXPECT_EQ(DecodeRunLength(8, 4, 3, data), Colours({{0, 0, 0, 0}, {0, 0, 6, 0}, {4, 0, 0, 0}}));
}

TEST(DecodeRunLength, RunsPastTheRightEdgeAreDroppedNotWrapped) {
  const std::vector<std::uint8_t> data = {
      0x02, 0x08, 0x00, 0x03, 0x01, 0x02, 0x03, 0x00,  // 8 8, then a literal run over the edge
      0x05, 0x06, 0x00, 0x00,                          // a run wholly past the edge
      0xFF, 0x09, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x01};
  EXPECT_EQ(DecodeRunLength(8, 3, 2, data), Colours({{9, 9, 9}, {8, 8, 1}}));
}

TEST(DecodeRunLength, CodesPastTheTopRowAreIgnored) {
  const std::vector<std::uint8_t> data = {0x01, 0x03, 0x00, 0x00, 0x01, 0x04, 0x00,
                                          0x02, 0xFF, 0xFF, 0x02, 0x05, 0x00, 0x00};
  EXPECT_EQ(DecodeRunLength(8, 2, 1, data), Colours({{3, 0}}));
}

TEST(DecodeRunLength, EarlyEndOfTheDataLeavesTheRestAtIndexZero) {
  EXPECT_EQ(DecodeRunLength(8, 4, 2, {0x02, 0x03, 0x00, 0x04, 0x01}),
            Colours({{0, 0, 0, 0}, {3, 3, 1, 0}}));
  EXPECT_EQ(DecodeRunLength(8, 2, 2, {0x01, 0x03, 0x00, 0x02, 0x01}), Colours({{0, 0}, {3, 0}}));
  EXPECT_EQ(DecodeRunLength(4, 3, 1, {0x01}), Colours({{0, 0, 0}}));
}

TEST(DecodeRunLength, FourBitRunsAlternateNibblesAndLiteralRunsArePaddedToWords) {
  const std::vector<std::uint8_t> data = {
      0x04, 0x12, 0x00, 0x03, 0xAB, 0xC0, 0x00, 0x00,  // 1 2 1 2, literal A B C
      0x00, 0x05, 0x12, 0x34, 0x50, 0x00,              // literal 1 2 3 4 5, three bytes + pad
      0x02, 0xFF, 0x00, 0x01};
  EXPECT_EQ(DecodeRunLength(4, 7, 2, data),
            Colours({{1, 2, 3, 4, 5, 15, 15}, {1, 2, 1, 2, 10, 11, 12}}));
}

TEST(DecodeRunLength, FourBitDeltaMovesRightAndUp) {
  const std::vector<std::uint8_t> data = {0x00, 0x02, 0x02, 0x01, 0x03, 0x7E, 0x00, 0x01};
  EXPECT_EQ(DecodeRunLength(4, 5, 2, data), Colours({{0, 0, 7, 14, 7}, {0, 0, 0, 0, 0}}));
}

}  // namespace
}  // namespace quelmar
