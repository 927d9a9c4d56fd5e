#include "ui/folder_choice.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/errors.h"
#include "base/paths.h"

namespace quelmar {

std::optional<std::string> AcceptFolderChoice(
    const std::string& typed, const std::function<bool(const std::string&)>& ask_create) {
  if (typed.empty()) return std::nullopt;
  const std::string path = WithoutTrailingSeparators(FullPath(typed));
  if (!FolderExists(path)) {
    if (!ask_create(kCreateFolderQuestion)) return std::nullopt;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!FolderExists(path)) throw EFCreateError(path, ec ? ec.value() : ENOTDIR);
  }
  return path;
}

}  // namespace quelmar
