#pragma once

#include <cstdint>
#include <string>

#include "base/edit_field.h"
#include "image/stamp.h"

namespace quelmar {

// The main window's fields that the settings file holds. A new one starts with every setting
// at its default (settings_table.h).
struct SettingsFields {
  SettingsFields();

  StampSettings stamp;  // FPosition, FMaskType, FAlpha, FThreshold
  std::int32_t FQuality = 0;
  std::string FSampleJPEG;
  std::int32_t FJobs = 0;          // files worked on at once; 0 for one per core
  std::int32_t FLossless = 0;      // 1: only the logo's blocks are coded again
  std::int32_t FKeepMetadata = 0;  // 1: outputs keep their source's metadata and date
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
