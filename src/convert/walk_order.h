#pragma once

#include <string>
#include <vector>

#include "convert/folder_listing.h"

namespace quelmar {

// The two passes over a folder's files, in the walk's order.
inline constexpr const char* kWalkSuffixes[] = {".jpg", ".jpeg"};

// False when name equals one of except_folders exactly (case-sensitive, whole name, byte for
// byte); true otherwise. Empty entries never match, since a listed folder has a name.
bool IsFolderIncluded(const std::string& name, const std::vector<std::string>& except_folders);

// True when the walk enters entry: a real folder whose name is not excluded.
bool IsWalkedFolder(const FolderEntry& entry, const std::vector<std::string>& except_folders);

// True when the walk converts entry in the pass for suffix.
bool IsWalkedFile(const FolderEntry& entry, const std::string& suffix);

// Every file the walk of source reaches if nothing changes on the disk meanwhile, in the
// order it reaches them: each folder's sub-folders first, then its "*.jpg", then its "*.jpeg"
// files. Paths are joined as the walk joins them.
std::vector<std::string> ListWalkOrder(const std::string& source,
                                       const std::vector<std::string>& except_folders);

}  // namespace quelmar
