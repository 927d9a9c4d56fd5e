#include "convert/folder_inclusion.h"

#include <algorithm>

namespace quelmar {

bool IsFolderIncluded(const std::string& name, const std::vector<std::string>& except_folders) {
  return std::find(except_folders.begin(), except_folders.end(), name) == except_folders.end();
}

}  // namespace quelmar
