#pragma once

#include <string>

#include "base/errors.h"
#include "base/folder_handle.h"

namespace quelmar {

inline constexpr const char* kContainedMessage =
    "出力先ディレクトリが元画像ディレクトリに含まれます";

// An output folder that a run finds to lie in the source only on its way (through a link or a
// mount inside the output tree, or the source's own folders met again below an output folder
// above the source). Its message is the folder's full path, ": " and kContainedMessage.
class EOutputInSource : public Error {
 public:
  explicit EOutputInSource(const std::string& folder);
};

// True when the folder open at descriptor folder is the folder of identity source, or lies
// below it: when its identity or that of any folder above it (reached by "..", up to "/") is
// source's. Identities, not names, are compared, so every alias of a folder counts as that
// folder: a bind mount, a symbolic link, "..", /proc/self/cwd, a case-folding file system.
bool IsSameOrBelow(int folder, const FolderIdentity& source);

// IsSameOrBelow for the folders at the paths output and source (links followed, as a user
// names them). False when either cannot be opened (the checks before this one report that).
bool IsSameOrBelow(const std::string& output, const std::string& source);

}  // namespace quelmar
