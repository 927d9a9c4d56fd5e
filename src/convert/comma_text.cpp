#include "convert/comma_text.h"

#include <cstring>

namespace quelmar {

namespace {

// The full-width forms that separate like their ASCII counterparts, in UTF-8.
constexpr const char* kWideBlank = "\u3000";                 // ideographic space
constexpr const char* kWideCommas[] = {"\u3001", "\uFF0C"};  // 、 and ，

bool StartsWith(const char* text, const char* sequence) {
  return std::strncmp(text, sequence, std::strlen(sequence)) == 0;
}

// The length of the blank at text, 0 when there is none.
std::size_t BlankAt(const char* text) {
  const auto byte = static_cast<unsigned char>(*text);
  if (byte >= 0x01 && byte <= 0x20) return 1;
  return StartsWith(text, kWideBlank) ? std::strlen(kWideBlank) : 0;
}

// The length of the comma at text, 0 when there is none.
std::size_t CommaAt(const char* text) {
  if (*text == ',') return 1;
  for (const char* comma : kWideCommas) {
    if (StartsWith(text, comma)) return std::strlen(comma);
  }
  return 0;
}

// Reads a quoted item starting at the opening quote at text[at]; at ends past the closing quote.
std::string ReadQuoted(const char* text, std::size_t& at) {
  std::string item;
  ++at;
  for (;;) {
    if (text[at] == '\0') {
      // Without a closing quote the item loses its last byte.
      if (!item.empty()) item.pop_back();
      return item;
    }
    if (text[at] == '"') {
      if (text[at + 1] != '"') {
        ++at;
        return item;
      }
      ++at;
    }
    item.push_back(text[at]);
    ++at;
  }
}

std::string ReadPlain(const char* text, std::size_t& at) {
  const std::size_t start = at;
  while (text[at] != '\0' && BlankAt(text + at) == 0 && CommaAt(text + at) == 0) ++at;
  return std::string(text + start, at - start);
}

void SkipBlanks(const char* text, std::size_t& at) {
  while (const std::size_t blank = BlankAt(text + at)) at += blank;
}

}  // namespace

std::vector<std::string> ParseCommaText(const std::string& source) {
  const char* text = source.c_str();
  std::vector<std::string> items;
  std::size_t at = 0;
  SkipBlanks(text, at);
  while (text[at] != '\0') {
    items.push_back(text[at] == '"' ? ReadQuoted(text, at) : ReadPlain(text, at));
    SkipBlanks(text, at);
    if (const std::size_t comma = CommaAt(text + at)) {
      // A comma at the very end adds an empty last item; a comma followed by blanks does not.
      if (text[at + comma] == '\0') items.emplace_back();
      at += comma;
      SkipBlanks(text, at);
    }
  }
  return items;
}

}  // namespace quelmar
