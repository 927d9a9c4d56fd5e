#include "base/folder_chain.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

namespace quelmar {

namespace {

// The folders kept open at the bottom of a chain.
constexpr std::size_t kOpenLevels = 16;

bool IsLink(int parent, const std::string& name) {
  struct stat st {};
  return ::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

FolderChain::FolderChain(FolderHandle root) {
  Level level;
  level.identity = root.Identity();
  level.mount = root.Mount();
  level.folder = std::move(root);
  level.pinned = true;
  levels_.push_back(std::move(level));
}

int FolderChain::Enter(const std::string& name, FolderLinks links) {
  Level& parent = levels_.back();
  Level level;
  if (const int error = OpenFolderAt(parent.folder.fd(), name, links, level.folder)) return error;
  level.identity = level.folder.Identity();
  level.mount = level.folder.Mount();
  const bool link = links == FolderLinks::kFollow && IsLink(parent.folder.fd(), name);
  level.crossed =
      link || level.identity.device != parent.identity.device || level.mount != parent.mount;
  // ".." from the far end of a link leads to the link target's parent, not back here.
  if (link) parent.pinned = true;
  levels_.push_back(std::move(level));
  if (levels_.size() > kOpenLevels) {
    Level& old = levels_[levels_.size() - 1 - kOpenLevels];
    if (!old.pinned) old.folder.Close();
  }
  return 0;
}

int FolderChain::Leave() {
  if (levels_.size() == 1) return 0;
  Level child = std::move(levels_.back());
  levels_.pop_back();
  Level& parent = levels_.back();
  if (parent.folder.is_open()) return 0;
  if (const int error =
          OpenFolderAt(child.folder.fd(), "..", FolderLinks::kRefuse, parent.folder)) {
    return error;
  }
  if (parent.folder.Identity() != parent.identity) {
    parent.folder.Close();
    return ESTALE;
  }
  return 0;
}

}  // namespace quelmar
