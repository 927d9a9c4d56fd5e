#include "image/logo_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/png_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SmallPng() {
  fixtures::PngPicture p{.width = 3, .height = 2, .colour_type = 6, .bit_depth = 8};
  p.samples = fixtures::RandomSamples(p, 3);
  return fixtures::BuildPng(p);
}

Bytes SmallBmp() {
  return fixtures::BuildBmp({.width = 2, .height = 1, .pixels = fixtures::PackRows({{1, 2}}, 24)});
}

// The content decides, whatever the name says.
TEST(LoadLogoFile, TellsPngFromBmpByContentNotByName) {
  fixtures::TempFolder folder;
  LogoImage logo;
  LoadLogoFile(fixtures::WriteBytes(folder / "logo.bmp", SmallPng()), logo);
  EXPECT_EQ(logo.width(), 3);
  EXPECT_TRUE(logo.has_alpha());
  LoadLogoFile(fixtures::WriteBytes(folder / "logo.png", SmallBmp()), logo);
  EXPECT_EQ(logo.width(), 2);
  EXPECT_FALSE(logo.has_alpha());
  LoadLogoFile(fixtures::WriteBytes(folder / "logo", SmallPng()), logo);
  EXPECT_EQ(logo.width(), 3);
}

TEST(LoadLogoFile, GivesAnEmptyLogoForAnEmptyFile) {
  fixtures::TempFolder folder;
  LogoImage logo(fixtures::MarkedRaster());
  LoadLogoFile(fixtures::WriteBytes(folder / "empty.png", {}), logo);
  EXPECT_TRUE(logo.empty());
  EXPECT_FALSE(logo.has_alpha());
}

// Neither format, a damaged one, or no file at all: the error, and the previous logo stays.
TEST(LoadLogoFile, KeepsThePreviousLogoOnEveryError) {
  fixtures::TempFolder folder;
  Bytes cut = SmallPng();
  cut.resize(cut.size() - 20);
  const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  struct Case {
    std::string name;
    Bytes bytes;
  };
  for (const Case& c : {Case{"picture.gif", gif}, Case{"cut.png", cut}}) {
    LogoImage logo(fixtures::MarkedRaster());
    EXPECT_THROW(LoadLogoFile(fixtures::WriteBytes(folder / c.name, c.bytes), logo), EInvalidBitmap)
        << c.name;
    EXPECT_EQ(logo.width(), 3) << c.name;
  }
  LogoImage logo(fixtures::MarkedRaster());
  EXPECT_THROW(LoadLogoFile((folder / "missing.png"), logo), EFOpenError);
  EXPECT_EQ(logo.width(), 3);
}

}  // namespace
}  // namespace quelmar
