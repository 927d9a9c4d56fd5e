#include "convert/path_containment.h"

#include <fcntl.h>

#include <utility>

#include "base/paths.h"

namespace quelmar {

namespace {

// A folder opened only to know where it is, which needs no permission to read it: a folder
// above the output that the user may only pass through still counts.
FolderHandle Locate(int at, const char* name) {
  return FolderHandle(::openat(at, name, O_PATH | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

EOutputInSource::EOutputInSource(const std::string& folder)
    : Error(FullPath(folder) + ": " + kContainedMessage) {}

bool IsSameOrBelow(int folder, const FolderIdentity& source) {
  FolderHandle at = Locate(folder, ".");
  if (!at.is_open()) return false;
  FolderIdentity identity = at.Identity();
  for (;;) {
    if (identity == source) return true;
    FolderHandle parent = Locate(at.fd(), "..");
    if (!parent.is_open()) return false;
    const FolderIdentity above = parent.Identity();
    if (above == identity) return false;  // "/" is its own parent
    at = std::move(parent);
    identity = above;
  }
}

bool IsSameOrBelow(const std::string& output, const std::string& source) {
  const FolderHandle out = Locate(AT_FDCWD, output.c_str());
  const FolderHandle src = Locate(AT_FDCWD, source.c_str());
  return out.is_open() && src.is_open() && IsSameOrBelow(out.fd(), src.Identity());
}

}  // namespace quelmar
