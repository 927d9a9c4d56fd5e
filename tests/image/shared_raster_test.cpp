#include "image/shared_raster.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "image/bitmap_file.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

Raster24 Filled(std::int32_t width, std::int32_t height, std::uint8_t value) {
  Raster24 raster;
  raster.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    std::fill(raster.Row(y), raster.Row(y) + 3 * width, value);
  }
  return raster;
}

TEST(SharedRaster, IsEmptyAtFirstAndTakesARasterOverWithoutACopy) {
  SharedRaster shared;
  EXPECT_TRUE(shared.empty());
  EXPECT_NE(shared.Share(), nullptr);

  Raster24 raster = Filled(5, 4, 7);
  const std::uint8_t* pixels = raster.Row(0);
  shared = std::move(raster);
  EXPECT_EQ(shared.width(), 5);
  EXPECT_EQ(shared.height(), 4);
  EXPECT_EQ(shared.get().Row(0), pixels);
}

TEST(SharedRaster, AReplacementLeavesThePixelsAHolderTookAlone) {
  SharedRaster shared = Filled(3, 3, 1);
  const SharedRaster copy = shared;
  const std::shared_ptr<const Raster24> taken = shared.Share();
  EXPECT_EQ(taken, copy.Share()) << "copies share one set of pixels";

  shared = Filled(2, 2, 9);
  EXPECT_EQ(shared.width(), 2);
  EXPECT_EQ(shared.get().Row(1)[5], 9);
  EXPECT_EQ(taken->width(), 3);
  EXPECT_EQ(taken->Row(2)[8], 1);
  EXPECT_EQ(&copy.get(), taken.get());
}

TEST(SharedRaster, ALoadThatFailsKeepsThePixelsALoadThatWorksReplacesThem) {
  const fixtures::TempFolder folder;
  const std::string bad = folder / "bad.bmp";
  fixtures::WriteText(bad, "not a bitmap, but long enough for a header");
  const std::string empty = folder / "empty.bmp";
  fixtures::WriteText(empty, "");

  SharedRaster logo = Filled(3, 2, 4);
  const std::shared_ptr<const Raster24> before = logo.Share();
  EXPECT_THROW(LoadBitmapFile(bad, logo), EInvalidBitmap);
  EXPECT_EQ(logo.Share(), before);
  LoadBitmapFile(empty, logo);
  EXPECT_TRUE(logo.empty());
  EXPECT_EQ(before->width(), 3);
}

}  // namespace
}  // namespace quelmar
