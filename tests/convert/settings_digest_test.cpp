#include "convert/settings_digest.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

TEST(SettingsDigest, ChangesWithEveryStampParameterTheQualityAndTheLogo) {
  const Raster24 logo = fixtures::LogoRaster(10, 8);
  const std::shared_ptr<const Raster24> shared = std::make_shared<const Raster24>(logo);
  LogoDigests logos;
  const StampSettings base{kBottomRight, mkColor, 127, 250};
  std::set<std::string> digests;
  digests.insert(ConversionDigest(logos, shared, base, 90));
  // Each change on its own, one at a time: every one gives a digest of its own.
  for (StampSettings changed : {StampSettings{kTopLeft, mkColor, 127, 250},
                                StampSettings{kBottomRight, mkBlackWhite, 127, 250},
                                StampSettings{kBottomRight, mkColor, 128, 250},
                                StampSettings{kBottomRight, mkColor, 127, 249}}) {
    EXPECT_TRUE(digests.insert(ConversionDigest(logos, shared, changed, 90)).second);
  }
  EXPECT_TRUE(digests.insert(ConversionDigest(logos, shared, base, 91)).second);
  Raster24 other = logo;
  other.Row(7)[3 * 9] ^= 1;  // one byte of the last pixel
  EXPECT_TRUE(
      digests.insert(ConversionDigest(logos, std::make_shared<const Raster24>(other), base, 90))
          .second);
  Raster24 wider = logo;
  wider.SetSize(11, 8);
  EXPECT_TRUE(
      digests.insert(ConversionDigest(logos, std::make_shared<const Raster24>(wider), base, 90))
          .second);
}

TEST(SettingsDigest, IsTheSame_ForTheSamePixelsAndSettingsInAnotherRaster) {
  LogoDigests logos;
  const StampSettings stamp{kTopCentre, mkWhiteOnBlack, 200, 100};
  const std::string first = ConversionDigest(
      logos, std::make_shared<const Raster24>(fixtures::LogoRaster(12, 6)), stamp, 80);
  const std::string second = ConversionDigest(
      logos, std::make_shared<const Raster24>(fixtures::LogoRaster(12, 6)), stamp, 80);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first.size(), 64u);
}

TEST(SettingsDigest, KeepsOptionsApart_ThatWouldRunTogether) {
  const Sha256::Digest logo = LogoDigest(Raster24());
  EXPECT_NE(SettingsDigest(logo, {{"ab", "c"}}), SettingsDigest(logo, {{"a", "bc"}}));
  EXPECT_NE(SettingsDigest(logo, {{"a", "1"}, {"b", "2"}}),
            SettingsDigest(logo, {{"b", "2"}, {"a", "1"}}));
  EXPECT_NE(SettingsDigest(logo, {}), SettingsDigest(logo, {{"", ""}}));
}

}  // namespace
}  // namespace quelmar
