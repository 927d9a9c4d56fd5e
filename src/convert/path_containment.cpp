#include "convert/path_containment.h"

#include <filesystem>
#include <system_error>

#include "base/paths.h"

namespace quelmar {

namespace {

std::filesystem::path Canonical(const std::string& path) {
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
  if (ec) return std::filesystem::path(FullPath(path));
  return canonical;
}

}  // namespace

bool IsSameOrBelow(const std::string& output, const std::string& source) {
  const std::filesystem::path out = Canonical(output);
  const std::filesystem::path src = Canonical(source);
  auto at = out.begin();
  for (const std::filesystem::path& part : src) {
    if (part.empty()) continue;  // the trailing separator of a folder path
    while (at != out.end() && at->empty()) ++at;
    if (at == out.end() || *at != part) return false;
    ++at;
  }
  return true;
}

}  // namespace quelmar
