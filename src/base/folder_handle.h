#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/descriptor.h"

namespace quelmar {

// Which folder a descriptor or a path leads to, whatever name it was reached by: a bind mount,
// a symbolic link, "..", /proc/self/cwd or a differently cased name of one folder all give the
// same identity.
struct FolderIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FolderIdentity&) const = default;
};

struct FolderIdentityHash {
  std::size_t operator()(const FolderIdentity& identity) const noexcept;
};

// Whether opening a folder by its name follows a symbolic link found there.
enum class FolderLinks { kFollow, kRefuse };

// An open folder: a descriptor opened as a directory, closed with the handle.
class FolderHandle {
 public:
  FolderHandle() = default;
  explicit FolderHandle(int fd) : fd_(fd) {}

  int fd() const { return fd_.get(); }
  bool is_open() const { return fd_.get() >= 0; }
  // The folder's identity; the zero identity for a handle that is not open.
  FolderIdentity Identity() const;
  // The mount the folder lies on (mounts of one file system share a device number, not this);
  // 0 when the system cannot tell.
  std::uint64_t Mount() const;
  void Close() { fd_.Close(); }
  // Hands the descriptor over to the caller, leaving the handle closed.
  int Release() { return fd_.Release(); }

 private:
  Descriptor fd_;
};

// Opens the folder name in the folder open at parent (AT_FDCWD: name is a path, relative to the
// working folder or absolute). Returns 0 with folder set, or the errno of the failure, folder
// left closed: ENOTDIR for something that is not a folder, ELOOP or ENOTDIR for a link refused.
int OpenFolderAt(int parent, const std::string& name, FolderLinks links, FolderHandle& folder);

// Makes the folder name in the folder open at parent, unless something of that name exists.
// Returns 0, or the errno of the failure (EROFS on a read-only file system, for instance).
int MakeFolderAt(int parent, const std::string& name);

}  // namespace quelmar
