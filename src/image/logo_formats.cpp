#include "image/logo_formats.h"

namespace quelmar {

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const std::string_view end = text.substr(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char c = end[i] >= 'A' && end[i] <= 'Z' ? static_cast<char>(end[i] - 'A' + 'a') : end[i];
    if (c != suffix[i]) return false;
  }
  return true;
}

}  // namespace

std::string LogoFormatNames() {
  std::string names;
  for (const LogoFormat& format : kLogoFormats) {
    if (!names.empty()) names += "、";
    names += format.name;
  }
  return names;
}

std::string LogoFormatPatterns() {
  std::string patterns;
  for (const LogoFormat& format : kLogoFormats) {
    if (!patterns.empty()) patterns += ' ';
    patterns += "*.";
    patterns += format.extension;
  }
  return patterns;
}

bool HasLogoExtension(std::string_view path) {
  for (const LogoFormat& format : kLogoFormats) {
    if (path.size() > format.extension.size() &&
        path[path.size() - format.extension.size() - 1] == '.' &&
        EndsWithNoCase(path, format.extension)) {
      return true;
    }
  }
  return false;
}

}  // namespace quelmar
