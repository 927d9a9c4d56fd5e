#include "ui/drop_routing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/file_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

// Every kind of path against every site: what the window takes, and where.
TEST(UseOfDrop, TakesEachKindOfPathOnlyWhereItFits) {
  fixtures::TempFolder temp;
  std::filesystem::create_directories(temp / "写真");
  for (const char* name : {"seal.bmp", "SEAL.BMP", "photo.jpg", "photo.JPEG", "notes.txt"}) {
    fixtures::WriteText((temp / name), "x");
  }
  constexpr DropUse N = DropUse::kNone;
  const struct {
    std::string path;
    DropUse window, logo, source, output, exclusion;
  } cases[] = {
      {(temp / "写真"), DropUse::kSource, N, DropUse::kSource, DropUse::kOutput, N},
      {(temp / "写真/"), DropUse::kSource, N, DropUse::kSource, DropUse::kOutput, N},
      {(temp / "seal.bmp"), DropUse::kLogo, DropUse::kLogo, N, N, N},
      {(temp / "SEAL.BMP"), DropUse::kLogo, DropUse::kLogo, N, N, N},
      {(temp / "photo.jpg"), DropUse::kSample, N, N, N, N},
      {(temp / "photo.JPEG"), DropUse::kSample, N, N, N, N},
      {(temp / "notes.txt"), N, N, N, N, N},
      {(temp / "missing.bmp"), N, N, N, N, N},
      {(temp / "missing"), N, N, N, N, N},
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
