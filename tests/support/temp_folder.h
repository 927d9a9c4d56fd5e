#pragma once

#include <string>

namespace quelmar::fixtures {

// A fresh folder below the system's temporary folder, removed with everything in it when the
// object goes; folders and files a test made read-only are made writable again first.
// Creating it fails with std::runtime_error when no folder can be made.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  // The folder's path, without a trailing separator.
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

}  // namespace quelmar::fixtures
