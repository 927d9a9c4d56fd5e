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

// The entries of folder, without "." and ".." and without hidden entries (a name starting
// with "."), sorted by name byte for byte so that a run is repeatable. A folder that cannot be
// listed gives an empty listing.
std::vector<FolderEntry> ListFolder(const std::string& folder);

}  // namespace quelmar
