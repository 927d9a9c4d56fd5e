#pragma once

#include <array>
#include <string>
#include <vector>

#include "settings/settings_host.h"

namespace quelmar::testing {

// A folder of its own below the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  // The folder's path, ending in "/".
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
void MakeFolder(const std::string& path);
// Sets the permission bits of a file or folder.
void SetMode(const std::string& path, unsigned mode);
// The names in folder, "." and ".." left out.
std::vector<std::string> FolderEntries(const std::string& folder);

// Bytes that the fake window accepts as a logo bitmap.
std::string BitmapBytes();

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

}  // namespace quelmar::testing
