#include <gtest/gtest.h>

#include "base/errors.h"
#include "image/bitmap_file.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

TEST(LoadBitmapFile, ReadsTheFileAtAJapanesePath) {
  const TempFolder folder;
  const std::string path = folder / "ロゴ画像.bmp";
  WriteBytes(path, BuildBmp({.width = 1, .height = 1, .pixels = PackRows({{0x123456}}, 24)}));
  Raster24 raster;
  LoadBitmapFile(path, raster);
  EXPECT_EQ(PixelsOf(raster), (std::vector<std::vector<std::uint32_t>>{{0x123456}}));
}

TEST(LoadBitmapFile, EmptyFileGivesAnEmptyRasterWithoutError) {
  const TempFolder folder;
  Raster24 raster = MarkedRaster();
  WriteBytes(folder / "empty.bmp", {});
  LoadBitmapFile(folder / "empty.bmp", raster);
  EXPECT_EQ(raster.width(), 0);
  EXPECT_EQ(raster.height(), 0);
}

TEST(LoadBitmapFile, MissingFileFailsWithTheOpenErrorAndLeavesTheRasterAsItWas) {
  const TempFolder folder;
  const std::string path = folder / "無い.bmp";
  const Raster24 before = MarkedRaster();
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
  const TempFolder folder;
  const std::string path = folder / "text.bmp";
  WriteBytes(path, {'h', 'e', 'l', 'l', 'o', '\n'});
  const Raster24 before = MarkedRaster();
  Raster24 raster = before;
  EXPECT_THROW(LoadBitmapFile(path, raster), EReadError);
  EXPECT_EQ(PixelsOf(raster), PixelsOf(before));
}

}  // namespace
}  // namespace quelmar
