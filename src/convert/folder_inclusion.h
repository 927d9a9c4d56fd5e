#pragma once

#include <string>
#include <vector>

namespace quelmar {

// False when name equals one of except_folders exactly (case-sensitive, whole name, byte for
// byte); true otherwise. Empty entries never match, since a listed folder has a name.
bool IsFolderIncluded(const std::string& name, const std::vector<std::string>& except_folders);

}  // namespace quelmar
