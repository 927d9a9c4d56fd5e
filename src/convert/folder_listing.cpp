#include "convert/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "base/folder_handle.h"

namespace quelmar {

namespace {

FolderEntry::Kind KindOf(int folder, const char* name) {
  struct stat st {};
  if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return FolderEntry::Kind::kOther;
  if (S_ISDIR(st.st_mode)) return FolderEntry::Kind::kFolder;
  if (S_ISREG(st.st_mode)) return FolderEntry::Kind::kFile;
  // A link to a file is read like the file; a link to a folder is never entered.
  if (S_ISLNK(st.st_mode) && ::fstatat(folder, name, &st, 0) == 0 && S_ISREG(st.st_mode)) {
    return FolderEntry::Kind::kFile;
  }
  return FolderEntry::Kind::kOther;
}

}  // namespace

FolderListing ListFolder(int folder) {
  FolderListing listing;
  // A descriptor of its own, so that the listing does not move the caller's reading position.
  FolderHandle own;
  if ((listing.error = OpenFolderAt(folder, ".", FolderLinks::kFollow, own)) != 0) return listing;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(own.fd()), ::closedir);
  if (!dir) {
    listing.error = errno;
    return listing;
  }
  own.Release();
  const int at = ::dirfd(dir.get());
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) {
      // A folder that fails midway is reported, not taken for a shorter one.
      if (errno != 0) listing = {{}, errno};
      break;
    }
    std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    const FolderEntry::Kind kind = KindOf(at, name.c_str());
    listing.entries.push_back({std::move(name), kind});
  }
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return listing;
}

}  // namespace quelmar
