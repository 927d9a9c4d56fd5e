#include "settings/settings_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/text.h"

namespace quelmar {
namespace {

// A row added later must still make sense on its own: the checks a table line has to pass.
TEST(SettingsTable, EveryRowIsCoherent) {
  std::set<std::string> keys, options;
  bool later_option_seen = false;
  for (const SettingSpec& spec : SettingsTable()) {
    SCOPED_TRACE(std::string(spec.key));
    std::string folded;
    for (const char c : spec.key) folded += LowerAscii(c);
    // Keys are found without regard to case, so two spellings of one key would clash.
    EXPECT_TRUE(keys.insert(folded).second) << "a key twice";
    if (!spec.option.empty()) {
      EXPECT_TRUE(options.insert(std::string(spec.option)).second);
    }
    const int places =
        (spec.edit ? 1 : 0) + (spec.text ? 1 : 0) + (spec.number ? 1 : 0) + (spec.byte ? 1 : 0);
    EXPECT_EQ(places, 1) << "a setting lives in exactly one place";
    if (spec.is_text()) {
      EXPECT_TRUE(spec.edit || spec.text);
      continue;
    }
    EXPECT_EQ(spec.byte != nullptr, spec.kind == SettingKind::kByte);
    EXPECT_EQ(spec.percent != nullptr, spec.kind == SettingKind::kDistance);
    EXPECT_LE(spec.minimum, spec.offered_minimum());
    EXPECT_LE(spec.offered_minimum(), spec.fallback);
    EXPECT_LE(spec.fallback, spec.maximum);
    if (spec.kind == SettingKind::kByte) {
      EXPECT_TRUE(spec.minimum >= 0 && spec.maximum <= 255);
    }
    // The first save writes the window's keys only, so every later option comes after them.
    if (!spec.always_saved) later_option_seen = true;
    EXPECT_FALSE(later_option_seen && spec.always_saved) << "a key of the first save comes late";
  }
}

TEST(SettingsTable, NewFieldsHoldEveryNumberAtItsDefault) {
  SettingsFields fields;
  for (const SettingSpec& spec : SettingsTable()) {
    if (!spec.is_text()) {
      EXPECT_EQ(NumberOf(spec, fields), spec.fallback) << spec.key;
    }
  }
  EXPECT_EQ(fields.FSampleJPEG, "");
}

TEST(SettingsTable, FindsARowByItsKeyOrItsEditField) {
  EXPECT_EQ(SettingOf("B/W").kind, SettingKind::kByte);
  EXPECT_EQ(SettingOf(EditField::kOutput).key, "DestinationFolder");
  EXPECT_THROW(SettingOf("b/w"), std::logic_error);
}

// A margin is pixels, or a percentage with "%"; every other text is refused and changes nothing.
TEST(SettingsTable, ADistanceTakesPixelsOrAPercentageAndNothingElse) {
  const SettingSpec& margin = SettingOf("LogoMargin");
  struct Case {
    const char* text;
    bool taken;
    std::int32_t value;
    bool percent;
  };
  const Case cases[] = {
      {"0", true, 0, false},
      {"40", true, 40, false},
      {"1000", true, 1000, false},
      {"0%", true, 0, true},
      {"5%", true, 5, true},
      {"100%", true, 100, true},
      {"1001", false, 0, false},
      {"101%", false, 0, false},
      {"-1", false, 0, false},
      {"-0%", false, 0, false},
      {"+5", false, 0, false},
      {" 5", false, 0, false},
      {"5 %", false, 0, false},
      {"5%%", false, 0, false},
      {"%", false, 0, false},
      {"", false, 0, false},
      {"0x10", false, 0, false},
      {"5px", false, 0, false},
      {"99999999999", false, 0, false},
  };
  for (const Case& c : cases) {
    SettingsFields fields;
    fields.stamp.fitting = {7, 3, true};  // to see that a refused text leaves it alone
    EXPECT_EQ(SetDistance(margin, fields, c.text), c.taken) << c.text;
    if (!c.taken) {
      EXPECT_EQ(fields.stamp.fitting.margin, 3) << c.text;
      EXPECT_TRUE(fields.stamp.fitting.margin_is_percent) << c.text;
      continue;
    }
    EXPECT_EQ(fields.stamp.fitting.margin, c.value) << c.text;
    EXPECT_EQ(fields.stamp.fitting.margin_is_percent, c.percent) << c.text;
    EXPECT_EQ(fields.stamp.fitting.scale_percent, 7) << "another setting was touched";
    // What is taken is written back as it was given.
    EXPECT_EQ(DistanceText(margin, fields), c.text);
  }
}

}  // namespace
}  // namespace quelmar
