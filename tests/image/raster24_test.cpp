#include "image/raster24.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "base/errors.h"

namespace quelmar {
namespace {

void Fill(Raster24& raster, std::uint8_t seed) {
  for (std::int32_t y = 0; y < raster.height(); ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t i = 0; i < 3 * raster.width(); ++i)
      row[i] = static_cast<std::uint8_t>(seed + y * 31 + i);
  }
}

TEST(Raster24, NewRasterIsEmptyAndHasNoValidRow) {
  Raster24 raster;
  EXPECT_EQ(raster.width(), 0);
  EXPECT_EQ(raster.height(), 0);
  EXPECT_THROW(raster.Row(0), EInvalidOperation);
}

TEST(Raster24, RowOutsideTheHeightFailsWithTheScanlineMessage) {
  Raster24 raster;
  raster.SetSize(3, 2);
  for (std::int32_t r : {-1, 2, 1000}) {
    try {
      raster.Row(r);
      FAIL() << "row " << r << " was accepted";
    } catch (const EInvalidOperation& e) {
      EXPECT_STREQ(e.what(), "スキャンライン のインデックスが範囲を越えました");
    }
  }
  EXPECT_NO_THROW(raster.Row(0));
  EXPECT_NO_THROW(raster.Row(1));
}

TEST(Raster24, RowsAreFourByteAlignedApart) {
  Raster24 raster;
  raster.SetSize(3, 2);
  EXPECT_EQ(raster.stride(), 12u);
  EXPECT_EQ(raster.Row(1) - raster.Row(0), 12);
}

TEST(Raster24, SetSizeLargerKeepsTopLeftPixelsAndMakesTheRestWhite) {
  Raster24 raster;
  raster.SetSize(2, 2);
  Fill(raster, 7);
  const Raster24 before = raster;
  raster.SetSize(4, 4);
  for (std::int32_t y = 0; y < 4; ++y) {
    for (std::int32_t x = 0; x < 4; ++x) {
      for (int c = 0; c < 3; ++c) {
        const std::uint8_t expected = (x < 2 && y < 2) ? before.Row(y)[3 * x + c] : 255;
        EXPECT_EQ(raster.Row(y)[3 * x + c], expected) << x << "," << y;
      }
    }
  }
}

TEST(Raster24, SetSizeSmallerKeepsOnlyTheTopLeftPixel) {
  Raster24 raster;
  raster.SetSize(2, 2);
  Fill(raster, 40);
  const std::uint8_t b = raster.Row(0)[0], g = raster.Row(0)[1], r = raster.Row(0)[2];
  raster.SetSize(1, 1);
  ASSERT_EQ(raster.width(), 1);
  ASSERT_EQ(raster.height(), 1);
  EXPECT_EQ(raster.Row(0)[0], b);
  EXPECT_EQ(raster.Row(0)[1], g);
  EXPECT_EQ(raster.Row(0)[2], r);
  EXPECT_THROW(raster.Row(1), EInvalidOperation);
}

TEST(Raster24, SetSizeWithAZeroSideHoldsNoPixels) {
  Raster24 raster;
  raster.SetSize(5, 5);
  raster.SetSize(5, 0);
  EXPECT_THROW(raster.Row(0), EInvalidOperation);
  raster.SetSize(0, 5);
  EXPECT_THROW(raster.Row(0), EInvalidOperation);
  raster.SetSize(2, 1);
  EXPECT_EQ(raster.Row(0)[0], 255);
}

TEST(Raster24, ACopyIsIndependentOfItsOriginal) {
  Raster24 original;
  original.SetSize(3, 3);
  Fill(original, 1);
  Raster24 copy = original;
  copy.Row(1)[4] = 0xAB;
  EXPECT_NE(original.Row(1)[4], 0xAB);
  original.Row(2)[0] = 0xCD;
  EXPECT_NE(copy.Row(2)[0], 0xCD);
}

// A raster of 2 MiB or more takes its storage from a mapping of its own.
TEST(Raster24, APhotographSizedRasterResizesCopiesAndMovesLikeASmallOne) {
  Raster24 raster;
  raster.SetSize(2000, 1500);
  Fill(raster, 9);
  const std::uint8_t corner = raster.Row(1499)[5999];
  raster.SetSize(2001, 1500);
  EXPECT_EQ(raster.Row(1499)[5999], corner);
  EXPECT_EQ(raster.Row(1499)[6000], 255);
  Raster24 copy = raster;
  copy.Row(0)[0] ^= 0xFF;
  EXPECT_NE(copy.Row(0)[0], raster.Row(0)[0]);
  Raster24 moved = std::move(copy);
  EXPECT_EQ(moved.Row(1499)[5999], corner);
}

TEST(Raster24, AnAbsurdSizeFailsWithOutOfResourcesAndKeepsTheRaster) {
  Raster24 raster;
  raster.SetSize(2, 2);
  Fill(raster, 3);
  const Raster24 before = raster;
  EXPECT_THROW(raster.SetSize(0x7FFFFFFF, 0x7FFFFFFF), EOutOfResources);
  ASSERT_EQ(raster.width(), 2);
  EXPECT_EQ(raster.Row(1)[5], before.Row(1)[5]);
}

// Equality looks at the size and at every pixel byte, never at the padding after a row.
TEST(Raster24, EqualsAnotherRasterExactlyWhenSizeAndEveryPixelByteAgree) {
  struct Case {
    std::string name;
    std::function<void(Raster24&)> change;  // applied to a copy of a 3 x 2 raster
    bool equal;
  };
  const std::vector<Case> cases = {
      {"a plain copy", [](Raster24&) {}, true},
      {"the first byte", [](Raster24& r) { r.Row(0)[0] ^= 1; }, false},
      {"the last pixel byte", [](Raster24& r) { r.Row(1)[8] ^= 0x80; }, false},
      // 3 pixels take 9 bytes of a 12-byte row.
      {"the padding of a row", [](Raster24& r) { r.Row(1)[9] ^= 0xFF; }, true},
      {"one column more", [](Raster24& r) { r.SetSize(4, 2); }, false},
      {"one row fewer", [](Raster24& r) { r.SetSize(3, 1); }, false},
      {"no pixels at all", [](Raster24& r) { r = Raster24(); }, false},
  };
  Raster24 original;
  original.SetSize(3, 2);
  Fill(original, 5);
  for (const Case& c : cases) {
    Raster24 other = original;
    c.change(other);
    EXPECT_EQ(original == other, c.equal) << c.name;
    EXPECT_EQ(other == original, c.equal) << c.name;
  }
  EXPECT_TRUE(Raster24() == Raster24());
  Raster24 tall, wide;
  tall.SetSize(2, 3);
  wide.SetSize(3, 2);
  EXPECT_FALSE(tall == wide) << "six white pixels, but not the same picture";
}

// Rows above the given one go back to the system in whole pages: a mapped raster's rows there
// read as zeros or as they were, the rows from it on keep their pixels, and at least the pages
// wholly above it were given back. A small raster is left alone.
TEST(Raster24, GivesBackWholePagesAboveARow_KeepingTheRowsBelow) {
  for (const auto& [width, height, row] : {std::tuple{2000, 1500, 700}, std::tuple{1999, 1501, 1},
                                           std::tuple{3000, 1000, 1000}, std::tuple{64, 48, 30}}) {
    Raster24 raster = Raster24::Uninitialized(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t i = 0; i < 3 * width; ++i) {
        raster.Row(y)[i] = static_cast<std::uint8_t>(1 + (y * 7 + i) % 250);
      }
    }
    raster.GiveBackRowsAbove(row);
    const bool mapped = raster.stride() * static_cast<std::size_t>(height) >= (8u << 20);
    int zero_rows = 0;
    for (std::int32_t y = 0; y < height; ++y) {
      int kept = 0;
      int zeros = 0;
      for (std::int32_t i = 0; i < 3 * width; ++i) {
        kept += raster.Row(y)[i] == static_cast<std::uint8_t>(1 + (y * 7 + i) % 250);
        zeros += raster.Row(y)[i] == 0;
      }
      ASSERT_EQ(kept + zeros, 3 * width) << "row " << y << " of " << width << " x " << height;
      if (y >= row || !mapped) {
        ASSERT_EQ(kept, 3 * width) << "row " << y;
      }
      zero_rows += zeros == 3 * width;
    }
    // Every row but the one or two sharing a page with the first row kept is given back whole.
    const std::size_t whole = row * raster.stride() / 4096 * 4096 / raster.stride();
    EXPECT_GE(zero_rows, mapped ? static_cast<int>(whole) - 1 : 0) << width << " x " << height;
    if (!mapped) {
      EXPECT_EQ(zero_rows, 0);
    }
  }
}

}  // namespace
}  // namespace quelmar
