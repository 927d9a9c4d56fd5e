#include "settings_test_support.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/errors.h"
#include "base/files.h"
#include "base/paths.h"

namespace quelmar::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "quelmar-settings-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // Read-only folders made by a test must be writable again before they can be emptied.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

void MakeFolder(const std::string& path) {
  fs::create_directories(path);
}

void SetMode(const std::string& path, unsigned mode) {
  if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("chmod failed on " + path);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

std::string BitmapBytes() {
  return std::string("BM\x3A\0\0\0", 6) + std::string(52, '\x01');
}

std::string FakeSettingsHost::EditText(EditField field) const {
  return texts_[static_cast<std::size_t>(field)];
}

void FakeSettingsHost::SetEditText(EditField field, const std::string& text) {
  std::string& slot = texts_[static_cast<std::size_t>(field)];
  if (slot == text) return;
  slot = text;
  if (field != EditField::kEdit1) return;
  try {
    Edit1Change();
  } catch (const Error& e) {
    reports.push_back(e.what());
  }
}

void FakeSettingsHost::Edit1Change() {
  const std::string& text = texts_[0];
  edit1_changes.push_back(text);
  if (!FileExists(text)) {
    logo_loaded = false;
    return;
  }
  if (ReadFile(text).rfind("BM", 0) != 0) throw EInvalidBitmap();
  logo_loaded = true;
}

}  // namespace quelmar::testing
