#include "image/logo_formats.h"

#include <gtest/gtest.h>

#include <string>

namespace quelmar {
namespace {

TEST(LogoFormats, NameEveryFormatInTheSentenceAndTheFilter) {
  const std::string names = LogoFormatNames();
  const std::string patterns = LogoFormatPatterns();
  ASSERT_FALSE(std::empty(kLogoFormats));
  EXPECT_EQ(names.find(std::string(kLogoFormats[0].name)), 0u);
  for (const LogoFormat& format : kLogoFormats) {
    EXPECT_NE(names.find(std::string(format.name)), std::string::npos) << format.name;
    EXPECT_NE(patterns.find("*." + std::string(format.extension)), std::string::npos);
  }
  EXPECT_EQ(names.find(','), std::string::npos);  // a Japanese sentence lists with 、
}

TEST(LogoFormats, RecogniseTheirExtensionsInAnyLetterCase) {
  const struct {
    const char* path;
    bool logo;
  } cases[] = {
      {"/logos/seal.bmp", true},
      {"/logos/SEAL.BMP", true},
      {"seal.Bmp", true},
      {"/logos/seal.bmpx", false},
      {"/logos/sealbmp", false},
      {"/logos/seal.jpg", false},
      {"bmp", false},
      {"", false},
      {"/a.bmp/seal", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HasLogoExtension(c.path), c.logo) << c.path;
}

}  // namespace
}  // namespace quelmar
