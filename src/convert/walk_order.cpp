#include "convert/walk_order.h"

#include <algorithm>

#include "base/paths.h"
#include "base/text.h"

namespace quelmar {

namespace {

void AppendWalkOrder(const std::string& folder, const std::vector<std::string>& except_folders,
                     std::vector<std::string>& files) {
  const std::vector<FolderEntry> entries = ListFolder(folder);
  for (const FolderEntry& entry : entries) {
    if (IsWalkedFolder(entry, except_folders)) {
      AppendWalkOrder(JoinPath(folder, entry.name), except_folders, files);
    }
  }
  for (const char* suffix : kWalkSuffixes) {
    for (const FolderEntry& entry : entries) {
      if (IsWalkedFile(entry, suffix)) files.push_back(JoinPath(folder, entry.name));
    }
  }
}

}  // namespace

bool IsFolderIncluded(const std::string& name, const std::vector<std::string>& except_folders) {
  return std::find(except_folders.begin(), except_folders.end(), name) == except_folders.end();
}

bool IsWalkedFolder(const FolderEntry& entry, const std::vector<std::string>& except_folders) {
  return entry.kind == FolderEntry::Kind::kFolder && IsFolderIncluded(entry.name, except_folders);
}

bool IsWalkedFile(const FolderEntry& entry, const std::string& suffix) {
  return entry.kind == FolderEntry::Kind::kFile && EndsWithIgnoringAsciiCase(entry.name, suffix);
}

std::vector<std::string> ListWalkOrder(const std::string& source,
                                       const std::vector<std::string>& except_folders) {
  std::vector<std::string> files;
  AppendWalkOrder(source, except_folders, files);
  return files;
}

}  // namespace quelmar
