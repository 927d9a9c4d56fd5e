#include "convert/comma_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/walk_order.h"

namespace quelmar {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ParseCommaText, GivesAnEmptyList_ForAnEmptyOrBlankText) {
  EXPECT_THAT(ParseCommaText(""), IsEmpty());
  EXPECT_THAT(ParseCommaText(" \t\r\n"), IsEmpty());
}

TEST(ParseCommaText, SeparatesItemsAtCommasAndUnquotedBlanks) {
  EXPECT_THAT(ParseCommaText("raw, old"), ElementsAre("raw", "old"));
  EXPECT_THAT(ParseCommaText("  raw ,old  "), ElementsAre("raw", "old"));
  EXPECT_THAT(ParseCommaText("my photos,tmp"), ElementsAre("my", "photos", "tmp"));
  EXPECT_THAT(ParseCommaText("a\tb\x01"
                             "c"),
              ElementsAre("a", "b", "c"));
}

TEST(ParseCommaText, KeepsBlanksAndCommasInsideQuotes) {
  EXPECT_THAT(ParseCommaText("\"my photos\",tmp"), ElementsAre("my photos", "tmp"));
  EXPECT_THAT(ParseCommaText("\"a,b\""), ElementsAre("a,b"));
  EXPECT_THAT(ParseCommaText("\"say \"\"hi\"\"\""), ElementsAre("say \"hi\""));
  EXPECT_THAT(ParseCommaText("\"\""), ElementsAre(""));
}

TEST(ParseCommaText, StartsANewItemDirectlyAfterAClosingQuote) {
  EXPECT_THAT(ParseCommaText("\"a\"b"), ElementsAre("a", "b"));
  EXPECT_THAT(ParseCommaText("\"a\"\"\"b"), ElementsAre("a\"", "b"));
}

TEST(ParseCommaText, DropsTheLastByte_WhenAQuoteIsNeverClosed) {
  EXPECT_THAT(ParseCommaText("\"abc"), ElementsAre("ab"));
  EXPECT_THAT(ParseCommaText("x, \"a\"\"bc"), ElementsAre("x", "a\"b"));
  EXPECT_THAT(ParseCommaText("\""), ElementsAre(""));
}

TEST(ParseCommaText, KeepsEmptyItemsBetweenLeadingAndTrailingCommas) {
  EXPECT_THAT(ParseCommaText("a,,b"), ElementsAre("a", "", "b"));
  EXPECT_THAT(ParseCommaText(",a"), ElementsAre("", "a"));
  EXPECT_THAT(ParseCommaText("a,"), ElementsAre("a", ""));
  EXPECT_THAT(ParseCommaText("a, "), ElementsAre("a"));
  EXPECT_THAT(ParseCommaText(","), ElementsAre("", ""));
}

TEST(ParseCommaText, KeepsMultiByteCharactersWhole) {
  EXPECT_THAT(ParseCommaText("写真, 旧 フォルダ"), ElementsAre("写真", "旧", "フォルダ"));
  // 。「」〃 share their first two bytes with the ideographic space and 、; ｜ shares them with ，.
  EXPECT_THAT(ParseCommaText("写真。「旧」〃｜新"), ElementsAre("写真。「旧」〃｜新"));
}

// The full-width comma, the ideographic comma and the ideographic space separate as "," and
// " " do: each text must parse as its ASCII counterpart, quotes included.
TEST(ParseCommaText, SeparatesAtTheFullWidthCommasAndSpace) {
  const std::pair<const char*, const char*> texts[] = {
      {"raw、old", "raw,old"},
      {"raw，old", "raw,old"},
      {"raw\u3000old", "raw old"},
      {"raw、\u3000old\u3000、tmp", "raw, old ,tmp"},
      {"\u3000raw、", " raw,"},
      {"、、", ",,"},
      {"a\u3000、", "a ,"},
      {"\"古い\u3000写真、京都\"、tmp", "\"古い\u3000写真、京都\",tmp"},
  };
  for (const auto& [wide, ascii] : texts) {
    EXPECT_EQ(ParseCommaText(wide), ParseCommaText(ascii)) << wide;
  }
  EXPECT_THAT(ParseCommaText("raw、old"), ElementsAre("raw", "old"));
  EXPECT_THAT(ParseCommaText("\"古い\u3000写真\""), ElementsAre("古い\u3000写真"));
}

TEST(ParseCommaText, EndsAtANulByte) {
  EXPECT_THAT(ParseCommaText(std::string("a,b\0c", 5)), ElementsAre("a", "b"));
}

TEST(IsFolderIncluded, ComparesWholeNamesExactly) {
  const std::vector<std::string> except = ParseCommaText("raw, old, 旧");
  EXPECT_FALSE(IsFolderIncluded("raw", except));
  EXPECT_FALSE(IsFolderIncluded("old", except));
  EXPECT_FALSE(IsFolderIncluded("旧", except));
  EXPECT_TRUE(IsFolderIncluded("Raw", except));
  EXPECT_TRUE(IsFolderIncluded("raw2", except));
  EXPECT_TRUE(IsFolderIncluded("ra", except));
  EXPECT_TRUE(IsFolderIncluded("anything", {}));
}

}  // namespace
}  // namespace quelmar
