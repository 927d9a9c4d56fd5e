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
  // U+3000, the ideographic space, is E3 80 80 in UTF-8: none of its bytes separates.
  EXPECT_THAT(ParseCommaText("写真, 旧 フォルダ"), ElementsAre("写真", "旧", "フォルダ"));
  EXPECT_THAT(ParseCommaText("古い\u3000写真,\"新しい 写真\""),
              ElementsAre("古い\u3000写真", "新しい 写真"));
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
