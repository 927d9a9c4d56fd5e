#include "ui/drop_routing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_files.h"

namespace quelmar {
namespace {

// Every kind of path against every site: what the window takes, and where.
TEST(UseOfDrop, TakesEachKindOfPathOnlyWhereItFits) {
  testing::TemporaryFolder temp;
  std::filesystem::create_directories(temp.Path("写真"));
  for (const char* name : {"seal.bmp", "SEAL.BMP", "photo.jpg", "photo.JPEG", "notes.txt"}) {
    testing::WriteTextFile(temp.Path(name), "x");
  }
  constexpr DropUse N = DropUse::kNone;
  const struct {
    std::string path;
    DropUse window, logo, source, output, exclusion;
  } cases[] = {
      {temp.Path("写真"), DropUse::kSource, N, DropUse::kSource, DropUse::kOutput, N},
      {temp.Path("写真/"), DropUse::kSource, N, DropUse::kSource, DropUse::kOutput, N},
      {temp.Path("seal.bmp"), DropUse::kLogo, DropUse::kLogo, N, N, N},
      {temp.Path("SEAL.BMP"), DropUse::kLogo, DropUse::kLogo, N, N, N},
      {temp.Path("photo.jpg"), DropUse::kSample, N, N, N, N},
      {temp.Path("photo.JPEG"), DropUse::kSample, N, N, N, N},
      {temp.Path("notes.txt"), N, N, N, N, N},
      {temp.Path("missing.bmp"), N, N, N, N, N},
      {temp.Path("missing"), N, N, N, N, N},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UseOfDrop(c.path, DropSite::kWindow), c.window) << c.path;
    EXPECT_EQ(UseOfDrop(c.path, DropSite::kLogoField), c.logo) << c.path;
    EXPECT_EQ(UseOfDrop(c.path, DropSite::kSourceField), c.source) << c.path;
    EXPECT_EQ(UseOfDrop(c.path, DropSite::kOutputField), c.output) << c.path;
    EXPECT_EQ(UseOfDrop(c.path, DropSite::kExclusionField), c.exclusion) << c.path;
  }
}

}  // namespace
}  // namespace quelmar
