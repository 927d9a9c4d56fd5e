#include "settings/ini_number.h"

#include <limits>

namespace quelmar {

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

// The length of a hexadecimal prefix at the start of text, or 0.
std::size_t HexPrefixLength(std::string_view text) {
  if (text.empty()) return 0;
  if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') return 1;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return 2;
  return 0;
}

std::optional<std::uint32_t> HexDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

// The magnitude of a decimal number, up to 2^31 (the magnitude of the smallest int32).
std::optional<std::uint32_t> DecimalDigits(std::string_view digits) {
  constexpr std::uint32_t kLimit = 0x80000000u;
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    if (!IsDecimalDigit(c)) return std::nullopt;
    const std::uint32_t digit = static_cast<std::uint32_t>(c - '0');
    if (value > (kLimit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

std::optional<std::int32_t> IniTextToNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }

  if (const std::size_t prefix = HexPrefixLength(text); prefix > 0) {
    const std::optional<std::uint32_t> bits = HexDigits(text.substr(prefix));
    if (!bits) return std::nullopt;
    // Unsigned arithmetic, so that "-$80000000" wraps instead of overflowing.
    return static_cast<std::int32_t>(negative ? 0u - *bits : *bits);
  }

  const std::optional<std::uint32_t> magnitude = DecimalDigits(text);
  if (!magnitude) return std::nullopt;
  if (negative) return static_cast<std::int32_t>(0u - *magnitude);
  if (*magnitude > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(*magnitude);
}

}  // namespace quelmar
