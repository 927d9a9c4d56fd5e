#pragma once

#include <array>
#include <string>
#include <vector>

#include "settings/settings_host.h"

namespace quelmar::fixtures {

// The main window as far as the settings see it. Edit1Change loads the logo (a file starting
// with "BM") when the text names an existing file and otherwise unloads it; an unreadable
// logo is reported in reports, as the window's general error report would show it.
class FakeSettingsHost : public SettingsHost {
 public:
  std::string EditText(EditField field) const override;
  void SetEditText(EditField field, const std::string& text) override;
  SettingsFields& Fields() override { return fields; }

  SettingsFields fields;
  bool logo_loaded = false;
  std::vector<std::string> edit1_changes;  // Edit1's text at each run of Edit1Change
  std::vector<std::string> reports;

 private:
  void Edit1Change();
  std::array<std::string, 4> texts_;
};

}  // namespace quelmar::fixtures
