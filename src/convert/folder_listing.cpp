#include "convert/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "base/paths.h"

namespace quelmar {

namespace {

FolderEntry::Kind KindOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FolderEntry::Kind::kOther;
  if (S_ISDIR(st.st_mode)) return FolderEntry::Kind::kFolder;
  if (S_ISREG(st.st_mode)) return FolderEntry::Kind::kFile;
  // A link to a file is read like the file; a link to a folder is never entered.
  if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    return FolderEntry::Kind::kFile;
  }
  return FolderEntry::Kind::kOther;
}

}  // namespace

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return entries;
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    const FolderEntry::Kind kind = KindOf(JoinPath(folder, name));
    entries.push_back({std::move(name), kind});
  }
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return entries;
}

}  // namespace quelmar
