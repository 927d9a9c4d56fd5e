#include "convert/settings_digest.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/settings_table.h"
#include "support/rasters.h"

namespace quelmar {
namespace {

TEST(SettingsDigest, ChangesWithEveryRecordedSettingAndTheLogo) {
  const Raster24 logo = fixtures::LogoRaster(10, 8);
  const SharedLogo shared(logo);
  LogoDigests logos;
  const OutputOptions base = OutputSettingsOf(SettingsFields());
  ASSERT_FALSE(base.empty());
  std::set<std::string> digests;
  digests.insert(ConversionDigest(logos, shared, base));
  // Each value changed on its own, by one character: every one gives a digest of its own.
  for (std::size_t i = 0; i < base.size(); ++i) {
    OutputOptions changed = base;
    changed[i].second += "1";
    EXPECT_TRUE(digests.insert(ConversionDigest(logos, shared, changed)).second) << base[i].first;
  }
  Raster24 other = logo;
  other.Row(7)[3 * 9] ^= 1;  // one byte of the last pixel
  EXPECT_TRUE(digests.insert(ConversionDigest(logos, SharedLogo(other), base)).second);
  Raster24 wider = logo;
  wider.SetSize(11, 8);
  EXPECT_TRUE(digests.insert(ConversionDigest(logos, SharedLogo(wider), base)).second);
  // The same colours with an alpha plane, and with another one.
  Raster24 alpha;
  alpha.SetSize(10, 8);
  EXPECT_TRUE(
      digests.insert(ConversionDigest(logos, SharedLogo(LogoImage(logo, alpha)), base)).second);
  alpha.Row(0)[0] = 1;
  EXPECT_TRUE(
      digests.insert(ConversionDigest(logos, SharedLogo(LogoImage(logo, alpha)), base)).second);
}

TEST(SettingsDigest, IsTheSame_ForTheSamePixelsAndSettingsInAnotherRaster) {
  LogoDigests logos;
  const OutputOptions options = {{"Position", "1"}, {"MaskType", "2"}, {"JPEGQuality", "80"}};
  const std::string first =
      ConversionDigest(logos, SharedLogo(fixtures::LogoRaster(12, 6)), options);
  const std::string second =
      ConversionDigest(logos, SharedLogo(fixtures::LogoRaster(12, 6)), options);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first.size(), 64u);
}

TEST(SettingsDigest, KeepsOptionsApart_ThatWouldRunTogether) {
  const Sha256::Digest logo = LogoDigest(LogoImage());
  EXPECT_NE(SettingsDigest(logo, {{"ab", "c"}}), SettingsDigest(logo, {{"a", "bc"}}));
  EXPECT_NE(SettingsDigest(logo, {{"a", "1"}, {"b", "2"}}),
            SettingsDigest(logo, {{"b", "2"}, {"a", "1"}}));
  EXPECT_NE(SettingsDigest(logo, {}), SettingsDigest(logo, {{"", ""}}));
}

}  // namespace
}  // namespace quelmar
