#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/folder_chain.h"
#include "base/folder_handle.h"

namespace quelmar {

// A way into the folders below one root by their names, for callers that visit folders of a
// tree one after another in any order: each move leaves and enters only the names in which the
// new folder differs from the last, so that neighbours in a walk cost a step or two.
class FolderCursor {
 public:
  // root: the folder the names are taken below; a closed handle makes every move fail.
  FolderCursor(FolderHandle root, FolderLinks links);
  // The same below the folder at root_path (a link there followed, as a user names a folder).
  FolderCursor(const std::string& root_path, FolderLinks links);

  // The descriptor of the folder root/names[0]/names[1]/..., or -1 with error set (ENOENT,
  // ELOOP or ENOTDIR for a link refused, ...) when one of them cannot be entered. The
  // descriptor stays valid until the next move.
  int MoveTo(const std::vector<std::string>& names);
  int error() const { return error_; }

 private:
  // Back to the root, after a step up that failed (the tree was moved meanwhile).
  bool Restart();

  FolderHandle root_;
  FolderLinks links_;
  std::unique_ptr<FolderChain> chain_;
  std::vector<std::string> names_;  // the folders the chain stands in, below the root
  int error_ = 0;
};

}  // namespace quelmar
