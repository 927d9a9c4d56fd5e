#include "base/text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace quelmar {
namespace {

// The C library's tolower in the "C" locale changes A..Z and nothing else.
TEST(LowerAscii, AgreesWithTheCLocalesToLowerForEveryByte) {
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    EXPECT_EQ(static_cast<unsigned char>(LowerAscii(c)), std::tolower(byte)) << byte;
  }
}

struct TextCase {
  std::string text;
  std::string other;
  bool equal;      // EqualsIgnoringAsciiCase(text, other)
  bool ends_with;  // EndsWithIgnoringAsciiCase(text, other)
};

TEST(IgnoringAsciiCase, FoldsOnlyAsciiLetters) {
  const std::vector<TextCase> cases = {
      {"MarkBitmap", "markbitmap", true, true},
      {"B/W", "b/w", true, true},
      {"写真.JPG", ".jpg", false, true},
      {"写真.JpEg", ".JPEG", false, true},
      {"a.jpgx", ".jpg", false, false},
      {"jpg", ".jpg", false, false},
      {".jpg", ".jpg", true, true},
      {"", "", true, true},
      {"x", "", false, true},
      // U+00C4 and U+00E4 differ in a byte outside ASCII, so they stay different.
      {"\xC3\x84", "\xC3\xA4", false, false},
      // '@' and '`' lie just beside the letters' ranges and are not letters.
      {"@", "`", false, false},
      {"[", "{", false, false},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(EqualsIgnoringAsciiCase(c.text, c.other), c.equal) << c.text << " / " << c.other;
    EXPECT_EQ(EqualsIgnoringAsciiCase(c.other, c.text), c.equal) << c.other << " / " << c.text;
    EXPECT_EQ(EndsWithIgnoringAsciiCase(c.text, c.other), c.ends_with)
        << c.text << " / " << c.other;
  }
}

}  // namespace
}  // namespace quelmar
