#include "settings/ini_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelmar {
namespace {

struct Case {
  std::string text;
  std::optional<std::int32_t> number;
};

void ExpectConversions(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(IniTextToNumber(c.text), c.number) << "text \"" << c.text << "\"";
  }
}

TEST(IniTextToNumber, ConvertsDecimalWithOptionalSignAndLeadingBlanks) {
  ExpectConversions({
      {"0", 0},
      {"7", 7},
      {"+7", 7},
      {"-7", -7},
      {"-0", 0},
      {"007", 7},
      {"   42", 42},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"00000000000000000000012", 12},
  });
}

TEST(IniTextToNumber, ConvertsEveryHexadecimalPrefixInEitherLetterCase) {
  ExpectConversions({
      {"$50", 80},
      {"x50", 80},
      {"X50", 80},
      {"0x50", 80},
      {"0X50", 80},
      {"$aBcD", 0xABCD},
      {"+$10", 16},
      {"$0", 0},
      {"$00000001", 1},
  });
}

TEST(IniTextToNumber, TakesEightHexadecimalDigitsAsThe32BitsAndNegatesAfterAMinus) {
  ExpectConversions({
      {"$FFFFFFFF", -1},
      {"0x80000000", INT32_MIN},
      {"$7FFFFFFF", INT32_MAX},
      {"-$1", -1},
      {"-0x10", -16},
      {"-$FFFFFFFF", 1},
      {"-$80000000", INT32_MIN},
  });
}

TEST(IniTextToNumber, FailsOnAnythingThatIsNotExactlyANumber) {
  ExpectConversions({
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"-x", std::nullopt},
      {"abc", std::nullopt},
      {"12a", std::nullopt},
      {"12 ", std::nullopt},
      {"1.5", std::nullopt},
      {"- 5", std::nullopt},
      {"+-5", std::nullopt},
      {"--5", std::nullopt},
      {"$-5", std::nullopt},
      {"$G", std::nullopt},
      {"0x1g", std::nullopt},
      {"00x5", std::nullopt},
      {"$$5", std::nullopt},
      {"\t5", std::nullopt},
      {"５", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$100000000", std::nullopt},
      {"$000000001", std::nullopt},
  });
}

}  // namespace
}  // namespace quelmar
