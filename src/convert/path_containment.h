#pragma once

#include <string>

namespace quelmar {

// True when output is the folder source or lies below it, both taken as canonical paths
// (symbolic links, "." and "..", doubled separators resolved).
bool IsSameOrBelow(const std::string& output, const std::string& source);

}  // namespace quelmar
