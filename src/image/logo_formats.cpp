#include "image/logo_formats.h"

#include "base/text.h"

namespace quelmar {

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
        EndsWithIgnoringAsciiCase(path, format.extension)) {
      return true;
    }
  }
  return false;
}

}  // namespace quelmar
