#pragma once

#include <string>
#include <vector>

namespace quelmar {

// One entry of a folder listing.
struct FolderEntry {
  enum class Kind {
    kFolder,  // a real folder, not a symbolic link to one
    kFile,    // a regular file, or a symbolic link to one
    kOther,   // a link to a folder, a dangling link, a device, a pipe, a socket
  };
  std::string name;
  Kind kind = Kind::kOther;
};

// A folder's entries, or why they could not be had.
struct FolderListing {
  std::vector<FolderEntry> entries;
  int error = 0;  // the errno of a folder that could not be read; entries is then empty
};

// The entries of the folder open at descriptor folder (whose own reading position is left
// alone), without "." and ".." and without hidden entries (a name starting with "."), sorted by
// name byte for byte so that a run is repeatable.
FolderListing ListFolder(int folder);

}  // namespace quelmar
