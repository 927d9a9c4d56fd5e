#include "image/logo_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "bitmap_builder.h"
#include "png_builder.h"

namespace quelmar {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SmallPng() {
  testing::PngPicture p{.width = 3, .height = 2, .colour_type = 6, .bit_depth = 8};
  p.samples = testing::RandomSamples(p, 3);
  return testing::BuildPng(p);
}

Bytes SmallBmp() {
  return testing::BuildBmp({.width = 2, .height = 1, .pixels = testing::PackRows({{1, 2}}, 24)});
}

// The content decides, whatever the name says.
TEST(LoadLogoFile, TellsPngFromBmpByContentNotByName) {
  testing::TemporaryFolder folder;
  LogoImage logo;
  LoadLogoFile(folder.WriteFile("logo.bmp", SmallPng()), logo);
  EXPECT_EQ(logo.width(), 3);
  EXPECT_TRUE(logo.has_alpha());
  LoadLogoFile(folder.WriteFile("logo.png", SmallBmp()), logo);
  EXPECT_EQ(logo.width(), 2);
  EXPECT_FALSE(logo.has_alpha());
  LoadLogoFile(folder.WriteFile("logo", SmallPng()), logo);
  EXPECT_EQ(logo.width(), 3);
}

TEST(LoadLogoFile, GivesAnEmptyLogoForAnEmptyFile) {
  testing::TemporaryFolder folder;
  LogoImage logo(testing::MarkedRaster());
  LoadLogoFile(folder.WriteFile("empty.png", {}), logo);
  EXPECT_TRUE(logo.empty());
  EXPECT_FALSE(logo.has_alpha());
}

// Neither format, a damaged one, or no file at all: the error, and the previous logo stays.
TEST(LoadLogoFile, KeepsThePreviousLogoOnEveryError) {
  testing::TemporaryFolder folder;
  Bytes cut = SmallPng();
  cut.resize(cut.size() - 20);
  const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  struct Case {
    std::string name;
    Bytes bytes;
  };
  for (const Case& c : {Case{"picture.gif", gif}, Case{"cut.png", cut}}) {
    LogoImage logo(testing::MarkedRaster());
    EXPECT_THROW(LoadLogoFile(folder.WriteFile(c.name, c.bytes), logo), EInvalidBitmap) << c.name;
    EXPECT_EQ(logo.width(), 3) << c.name;
  }
  LogoImage logo(testing::MarkedRaster());
  EXPECT_THROW(LoadLogoFile(folder.Path("missing.png"), logo), EFOpenError);
  EXPECT_EQ(logo.width(), 3);
}

}  // namespace
}  // namespace quelmar
