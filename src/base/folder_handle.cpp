#include "base/folder_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace quelmar {

std::size_t FolderIdentityHash::operator()(const FolderIdentity& identity) const noexcept {
  return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(identity.inode) * 31 +
                                    static_cast<std::uint64_t>(identity.device));
}

FolderIdentity FolderHandle::Identity() const {
  struct stat st {};
  if (fd() < 0 || ::fstat(fd(), &st) != 0) return {};
  return {st.st_dev, st.st_ino};
}

std::uint64_t FolderHandle::Mount() const {
  struct statx st {};
  if (fd() < 0 || ::statx(fd(), "", AT_EMPTY_PATH, STATX_MNT_ID, &st) != 0 ||
      (st.stx_mask & STATX_MNT_ID) == 0) {
    return 0;
  }
  return st.stx_mnt_id;
}

int OpenFolderAt(int parent, const std::string& name, FolderLinks links, FolderHandle& folder) {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (links == FolderLinks::kRefuse) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = ::openat(parent, name.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    folder = FolderHandle();
    return errno;
  }
  folder = FolderHandle(fd);
  return 0;
}

int MakeFolderAt(int parent, const std::string& name) {
  if (::mkdirat(parent, name.c_str(), 0777) == 0 || errno == EEXIST) return 0;
  return errno;
}

}  // namespace quelmar
