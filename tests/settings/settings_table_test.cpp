#include "settings/settings_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/text.h"

namespace quelmar {
namespace {

// A row added later must still make sense on its own: the checks a table line has to pass.
TEST(SettingsTable, EveryRowIsCoherent) {
  std::set<std::string> keys, options;
  bool later_option_seen = false;
  for (const SettingSpec& setting_row : SettingsTable()) {
    SCOPED_TRACE(std::string(setting_row.key));
    std::string folded;
    for (const char c : setting_row.key) folded += LowerAscii(c);
    // Keys are found without regard to case, so two spellings of one key would clash.
    EXPECT_TRUE(keys.insert(folded).second) << "a key twice";
    if (!setting_row.option.empty()) {
      EXPECT_TRUE(options.insert(std::string(setting_row.option)).second);
    }
    const int places = (setting_row.edit ? 1 : 0) + (setting_row.text ? 1 : 0) +
                       (setting_row.number ? 1 : 0) + (setting_row.byte ? 1 : 0);
    EXPECT_EQ(places, 1) << "a setting lives in exactly one place";
    if (setting_row.is_text()) {
      EXPECT_TRUE(setting_row.edit || setting_row.text);
      continue;
    }
    EXPECT_EQ(setting_row.byte != nullptr, setting_row.kind == SettingKind::kByte);
    EXPECT_EQ(setting_row.percent != nullptr, setting_row.kind == SettingKind::kDistance);
    EXPECT_LE(setting_row.minimum, setting_row.offered_minimum());
    EXPECT_LE(setting_row.offered_minimum(), setting_row.fallback);
    EXPECT_LE(setting_row.fallback, setting_row.maximum);
    if (setting_row.kind == SettingKind::kByte) {
      EXPECT_TRUE(setting_row.minimum >= 0 && setting_row.maximum <= 255);
    }
    // The first save writes the window's keys only, so every later option comes after them.
    if (!setting_row.always_saved) later_option_seen = true;
    EXPECT_FALSE(later_option_seen && setting_row.always_saved)
        << "a key of the first save comes late";
  }
}

TEST(SettingsTable, NewFieldsHoldEveryNumberAtItsDefault) {
  SettingsFields fields;
  for (const SettingSpec& setting_row : SettingsTable()) {
    if (!setting_row.is_text()) {
      EXPECT_EQ(NumberOf(setting_row, fields), setting_row.fallback) << setting_row.key;
    }
  }
  EXPECT_EQ(fields.FSampleJPEG, "");
}

// Another value the setting can hold: numbers move to the other end of their range.
void ChangeSetting(const SettingSpec& setting_row, SettingsFields& fields) {
  if (setting_row.text != nullptr) {
    setting_row.text(fields) += "x";
    return;
  }
  const std::int32_t value = NumberOf(setting_row, fields);
  SetNumber(setting_row, fields,
            value == setting_row.maximum ? setting_row.minimum : setting_row.maximum);
}

// The record of what an output was made from holds every setting that is not marked as
// leaving outputs alone, so that a row added later is in it without a word elsewhere.
TEST(SettingsTable, OutputSettingsHoldEveryRowThatCanChangeAnOutput_AndNoOther) {
  const SettingsFields defaults;
  const auto before = OutputSettingsOf(defaults);
  std::vector<std::string> expected_keys;
  for (const SettingSpec& setting_row : SettingsTable()) {
    SCOPED_TRACE(std::string(setting_row.key));
    if (setting_row.edit) {
      // Paths and names of folders: the logo's pixels are recorded instead of its path.
      EXPECT_TRUE(setting_row.leaves_output_alone);
      continue;
    }
    if (!setting_row.leaves_output_alone) expected_keys.emplace_back(setting_row.key);
    SettingsFields changed = defaults;
    ChangeSetting(setting_row, changed);
    EXPECT_EQ(OutputSettingsOf(changed) != before, !setting_row.leaves_output_alone);
  }
  std::vector<std::string> keys;
  for (const auto& [key, value] : before) keys.push_back(key);
  EXPECT_EQ(keys, expected_keys);
  // What the outputs of the window's own controls depend on is always in the record.
  for (const char* key : {"Position", "AlphaChannel", "JPEGQuality", "B/W", "MaskType"}) {
    EXPECT_FALSE(SettingOf(key).leaves_output_alone) << key;
  }
  for (const char* key : {"Jobs", "SkipUpToDate", "SampleJPEG"}) {
    EXPECT_TRUE(SettingOf(key).leaves_output_alone) << key;
  }
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
