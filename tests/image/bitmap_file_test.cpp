#include <gtest/gtest.h>

#include "base/errors.h"
#include "bitmap_builder.h"
#include "image/bitmap_file.h"

namespace quelmar {
namespace {

using testing::BuildBmp;
using testing::PackRows;
using testing::PixelsOf;
using testing::TemporaryFolder;

TEST(LoadBitmapFile, ReadsTheFileAtAJapanesePath) {
  const TemporaryFolder folder;
  const std::string path = folder.WriteFile(
      "ロゴ画像.bmp", BuildBmp({.width = 1, .height = 1, .pixels = PackRows({{0x123456}}, 24)}));
  Raster24 raster;
  LoadBitmapFile(path, raster);
  EXPECT_EQ(PixelsOf(raster), (std::vector<std::vector<std::uint32_t>>{{0x123456}}));
}

TEST(LoadBitmapFile, EmptyFileGivesAnEmptyRasterWithoutError) {
  const TemporaryFolder folder;
  Raster24 raster = testing::MarkedRaster();
  LoadBitmapFile(folder.WriteFile("empty.bmp", {}), raster);
  EXPECT_EQ(raster.width(), 0);
  EXPECT_EQ(raster.height(), 0);
}

TEST(LoadBitmapFile, MissingFileFailsWithTheOpenErrorAndLeavesTheRasterAsItWas) {
  const TemporaryFolder folder;
  const std::string path = folder.Path("無い.bmp");
  const Raster24 before = testing::MarkedRaster();
  Raster24 raster = before;
  try {
    LoadBitmapFile(path, raster);
    FAIL() << "a missing file was read";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "ファイル \"" + path + "\". " + SystemErrorText(ENOENT) + " は開けません");
  }
  EXPECT_EQ(PixelsOf(raster), PixelsOf(before));
}

TEST(LoadBitmapFile, InvalidFileLeavesTheRasterAsItWas) {
  const TemporaryFolder folder;
  const std::string path = folder.WriteFile("text.bmp", {'h', 'e', 'l', 'l', 'o', '\n'});
  const Raster24 before = testing::MarkedRaster();
  Raster24 raster = before;
  EXPECT_THROW(LoadBitmapFile(path, raster), EReadError);
  EXPECT_EQ(PixelsOf(raster), PixelsOf(before));
}

}  // namespace
}  // namespace quelmar
