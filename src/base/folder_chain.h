#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/folder_handle.h"

namespace quelmar {

// A walk's way down a folder tree: the folder it is in and every folder above it up to the one
// it started at, each entered by name from the one above, so that no path is resolved again and
// the cost of a step does not grow with the depth. Only the deepest few folders stay open: a tree
// of any depth needs a bounded number of descriptors. A folder closed on the way down is opened
// again by ".." from the folder below it on the way up, and must then still be the folder it was.
class FolderChain {
 public:
  // root: the open folder the chain starts at, which stays open.
  explicit FolderChain(FolderHandle root);

  // Enters the sub-folder name of the current folder. Returns 0, or the errno of the failure
  // with the chain unchanged (ELOOP or ENOTDIR for a link refused or a name that is no folder).
  int Enter(const std::string& name, FolderLinks links);

  // Goes back to the folder above the current one; does nothing at the root. Returns 0, or the
  // errno of reopening that folder (ESTALE when ".." now leads to another folder: the tree was
  // moved meanwhile), after which the chain stands on a closed folder.
  int Leave();

  // The current folder's descriptor (always open after a successful step).
  int fd() const { return levels_.back().folder.fd(); }
  FolderIdentity identity() const { return levels_.back().identity; }
  // True when the current folder was reached through a symbolic link, or lies on another mount
  // than the folder above it: then it need not lie below the folders above it.
  bool crossed() const { return levels_.back().crossed; }
  // 0 at the root.
  std::size_t depth() const { return levels_.size() - 1; }

 private:
  struct Level {
    FolderHandle folder;
    FolderIdentity identity;
    std::uint64_t mount = 0;
    bool crossed = false;
    bool pinned = false;  // never closed early: ".." from below would not lead back to it
  };

  std::vector<Level> levels_;
};

}  // namespace quelmar
