#pragma once

#include <string>
#include <string_view>

namespace quelmar {

// A file format a logo may be read from: its name as users know it and its file extension
// (lower case, without the dot).
struct LogoFormat {
  std::string_view name;
  std::string_view extension;
};

// Every format a logo may be read from. The window's texts, its logo dialog's filter and what
// it takes from a drop follow this list.
inline constexpr LogoFormat kLogoFormats[] = {{"BMP", "bmp"}, {"PNG", "png"}};

// The formats' names for a sentence: "BMP", or "BMP、PNG" for two.
std::string LogoFormatNames();

// The formats' patterns for a file dialog's filter: "*.bmp", or "*.bmp *.png" for two.
std::string LogoFormatPatterns();

// True when path ends in "." and the extension of one of the formats, in any letter case.
bool HasLogoExtension(std::string_view path);

}  // namespace quelmar
