#include "image/shared_logo.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "image/logo_file.h"
#include "support/file_tools.h"
#include "support/raster_pixels.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::Filled;
using fixtures::Grey;

TEST(SharedLogo, IsEmptyAtFirstAndTakesALogoOverWithoutACopy) {
  SharedLogo shared;
  EXPECT_TRUE(shared.empty());

  Raster24 raster = Filled(5, 4, Grey(7));
  const std::uint8_t* pixels = raster.Row(0);
  shared = std::move(raster);
  EXPECT_EQ(shared.width(), 5);
  EXPECT_EQ(shared.height(), 4);
  EXPECT_EQ(shared.get().colour().Row(0), pixels);
  EXPECT_FALSE(shared.get().has_alpha());
}

TEST(SharedLogo, AReplacementLeavesTheLogoAHolderTookAlone) {
  SharedLogo shared = Filled(3, 3, Grey(1));
  const SharedLogo copy = shared;
  const std::shared_ptr<const LogoImage> taken = shared.At(3, 3);
  EXPECT_EQ(&copy.get(), &shared.get()) << "copies share one logo";

  shared = Filled(2, 2, Grey(9));
  EXPECT_EQ(shared.width(), 2);
  EXPECT_EQ(shared.get().colour().Row(1)[5], 9);
  EXPECT_EQ(taken->width(), 3);
  EXPECT_EQ(taken->colour().Row(2)[8], 1);
  EXPECT_EQ(&copy.get(), taken.get());
}

// Copies share the sized copies too: a size is resampled once for all holders.
TEST(SharedLogo, SharesItsSizedCopiesWithItsCopies) {
  const SharedLogo shared = Filled(40, 20, Grey(200));
  const SharedLogo copy = shared;
  const std::shared_ptr<const LogoImage> small = shared.At(10, 5);
  EXPECT_EQ(copy.At(10, 5), small);
  EXPECT_TRUE(small->has_alpha());
}

// The logo goes onto a photograph at the size its fitting gives it there, or not at all.
TEST(SharedLogo, IsFittedToEachPhotographOrToNoneWhenItDoesNotFit) {
  const SharedLogo shared = Filled(300, 100, Grey(50));
  StampSettings settings;
  EXPECT_EQ(shared.FittedTo(settings, 1280, 960).get(), &shared.get()) << "its own pixels";
  EXPECT_EQ(shared.FittedTo(settings, 299, 960), nullptr);
  settings.fitting.scale_percent = 20;
  EXPECT_EQ(shared.FittedTo(settings, 1280, 960)->width(), 192);
  EXPECT_EQ(shared.FittedTo(settings, 6000, 4500)->height(), 300);
  EXPECT_EQ(shared.FittedTo(settings, 4, 2), nullptr) << "below one pixel";
  settings.fitting.margin = 900;  // 900 + 64 rows exceed 960
  EXPECT_EQ(shared.FittedTo(settings, 1280, 960), nullptr) << "no room for the margin";
}

TEST(SharedLogo, ALoadThatFailsKeepsTheLogoALoadThatWorksReplacesIt) {
  const fixtures::TempFolder folder;
  const std::string bad = folder / "bad.bmp";
  fixtures::WriteText(bad, "not a bitmap, but long enough for a header");
  const std::string empty = folder / "empty.bmp";
  fixtures::WriteText(empty, "");

  SharedLogo logo = Filled(3, 2, Grey(4));
  const LogoImage* before = &logo.get();
  const std::shared_ptr<const LogoImage> held = logo.At(3, 2);
  EXPECT_THROW(LoadLogoFile(bad, logo), EInvalidBitmap);
  EXPECT_EQ(&logo.get(), before);
  LoadLogoFile(empty, logo);
  EXPECT_TRUE(logo.empty());
  EXPECT_EQ(held->width(), 3);
}

}  // namespace
}  // namespace quelmar
