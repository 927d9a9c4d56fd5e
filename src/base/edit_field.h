#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace quelmar {

// The main window's four edit fields, which a run and the settings file both read.
enum class EditField {
  kLogo,        // Edit1: the logo bitmap's path
  kSource,      // Edit2: the source folder
  kOutput,      // Edit3: the output folder
  kExclusions,  // Edit4: folder names to skip, comma text
};

inline constexpr std::size_t kEditFieldCount = 4;

// The texts of the four edit fields, by field; each starts empty.
class EditTexts {
 public:
  std::string& operator[](EditField field) { return texts_[static_cast<std::size_t>(field)]; }
  const std::string& operator[](EditField field) const {
    return texts_[static_cast<std::size_t>(field)];
  }

 private:
  std::array<std::string, kEditFieldCount> texts_;
};

}  // namespace quelmar
