#include "base/folder_cursor.h"

#include <fcntl.h>

#include <cerrno>
#include <utility>

namespace quelmar {

FolderCursor::FolderCursor(FolderHandle root, FolderLinks links)
    : root_(std::move(root)), links_(links) {
  Restart();
}

FolderCursor::FolderCursor(const std::string& root_path, FolderLinks links) : links_(links) {
  OpenFolderAt(AT_FDCWD, root_path, FolderLinks::kFollow, root_);
  Restart();
}

bool FolderCursor::Restart() {
  chain_.reset();
  names_.clear();
  // The chain keeps a descriptor of its own, so that the root stays open for the next start.
  FolderHandle own;
  if (!root_.is_open()) {
    error_ = EBADF;
    return false;
  }
  if ((error_ = OpenFolderAt(root_.fd(), ".", FolderLinks::kFollow, own)) != 0) return false;
  chain_ = std::make_unique<FolderChain>(std::move(own));
  return true;
}

int FolderCursor::MoveTo(const std::vector<std::string>& names) {
  if (!chain_ && !Restart()) return -1;
  std::size_t common = 0;
  while (common < names_.size() && common < names.size() && names_[common] == names[common]) {
    ++common;
  }
  while (names_.size() > common) {
    names_.pop_back();
    if (chain_->Leave() != 0 && !Restart()) return -1;
    // A restart stands at the root: what was in common is entered again below.
    common = std::min(common, names_.size());
  }
  for (std::size_t i = names_.size(); i < names.size(); ++i) {
    if ((error_ = chain_->Enter(names[i], links_)) != 0) return -1;
    names_.push_back(names[i]);
  }
  error_ = 0;
  return chain_->fd();
}

}  // namespace quelmar
