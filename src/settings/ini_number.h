#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quelmar {

// Converts an INI value to a 32-bit signed integer: leading blanks, an optional sign, then
// decimal digits or a hexadecimal prefix ("$", "x", "X", "0x", "0X") with at most eight
// hexadecimal digits, and nothing after them. Eight hexadecimal digits give the 32 bits as
// they stand ("$FFFFFFFF" is -1) and a "-" before the prefix negates the result. Anything
// else, and a decimal value outside the 32-bit range, gives no number.
std::optional<std::int32_t> IniTextToNumber(std::string_view text);

}  // namespace quelmar
