#pragma once

#include <cstdint>
#include <string>

namespace quelmar {

// The main window's four edit fields.
enum class EditField {
  kEdit1,  // logo bitmap path
  kEdit2,  // source folder
  kEdit3,  // output folder
  kEdit4,  // folder names to skip, comma text
};

// The main window's fields that the settings file holds.
struct SettingsFields {
  std::int32_t FPosition = 0;
  std::int32_t FAlpha = 127;
  std::int32_t FQuality = 100;
  std::uint8_t FThreshold = 250;
  std::int32_t FMaskType = 0;
  std::string FSampleJPEG;
  bool FLossless = false;  // the lossless mode: only the logo's blocks coded again
};

// What LoadSettings and SaveSettings need of the main window. The window implements it;
// tests implement it with a fake.
class SettingsHost {
 public:
  virtual ~SettingsHost() = default;
  virtual std::string EditText(EditField field) const = 0;
  // Sets a field's text. When Edit1's text changes, the window runs Edit1Change; setting the
  // text the field already holds runs nothing. An error of Edit1Change is reported by the
  // window itself and never thrown back to the caller.
  virtual void SetEditText(EditField field, const std::string& text) = 0;
  virtual SettingsFields& Fields() = 0;
};

}  // namespace quelmar
