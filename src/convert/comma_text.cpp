#include "convert/comma_text.h"

namespace quelmar {

namespace {

bool IsBlank(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x01 && byte <= 0x20;
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
  while (text[at] != '\0' && !IsBlank(text[at]) && text[at] != ',') ++at;
  return std::string(text + start, at - start);
}

void SkipBlanks(const char* text, std::size_t& at) {
  while (IsBlank(text[at])) ++at;
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
    if (text[at] == ',') {
      // A comma at the very end adds an empty last item; a comma followed by blanks does not.
      if (text[at + 1] == '\0') items.emplace_back();
      ++at;
      SkipBlanks(text, at);
    }
  }
  return items;
}

}  // namespace quelmar
