#pragma once

#include <string_view>

namespace quelmar {

// c with the ASCII letters A..Z made a..z; every other byte, those of UTF-8 sequences
// included, as it is.
char LowerAscii(char c);

// True when a and b are equal with ASCII letters compared without regard to case; every other
// byte must match exactly.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when text ends in suffix, ASCII letters compared without regard to case.
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);

}  // namespace quelmar
