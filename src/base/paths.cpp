#include "base/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace quelmar {

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) return path;
  return absolute.lexically_normal().string();
}

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::string FolderPart(const std::string& path) {
  const std::size_t last = path.rfind(kPathSeparator);
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string WithFolderSeparator(const std::string& text) {
  if (text.empty() || text.back() == kPathSeparator || !FolderExists(text)) return text;
  return text + kPathSeparator;
}

std::string JoinPath(const std::string& parent, const std::string& name) {
  return parent + kPathSeparator + name;
}

std::string WithTrailingSeparator(const std::string& path) {
  if (path.empty()) return path;
  std::string result = path;
  while (!result.empty() && result.back() == kPathSeparator) result.pop_back();
  return result + kPathSeparator;
}

std::string WithoutTrailingSeparators(const std::string& path) {
  std::string result = path;
  while (result.size() > 1 && result.back() == kPathSeparator) result.pop_back();
  return result;
}

}  // namespace quelmar
