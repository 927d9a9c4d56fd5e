#pragma once

#include <string>

namespace quelmar {

// The platform's path separator, used wherever paths are joined.
inline constexpr char kPathSeparator = '/';

// True when path names a file (following symbolic links), not a folder.
bool FileExists(const std::string& path);

// True when path names a folder (following symbolic links).
bool FolderExists(const std::string& path);

// The absolute form of path with "." and ".." resolved lexically, as the file messages show it.
std::string FullPath(const std::string& path);

// The full path of the running executable.
std::string ExecutablePath();

// Everything of path up to and including its last separator.
std::string FolderPart(const std::string& path);

// A folder field's text as it is kept: text with a separator added when it names an existing
// folder and does not end in one, so that the check of a stored folder, which leaves out the
// last character, tests the folder itself. Any other text is returned as it is.
std::string WithFolderSeparator(const std::string& text);

// parent + separator + name: the one way paths are joined. A separator parent already ends in
// is not looked at, so the walk's paths keep the form their root was given in.
std::string JoinPath(const std::string& parent, const std::string& name);

// path with exactly one trailing separator in place of the ones it has (a folder's form in the
// edit fields); an empty path stays empty.
std::string WithTrailingSeparator(const std::string& path);

// path without its trailing separators, except that the root stays "/".
std::string WithoutTrailingSeparators(const std::string& path);

}  // namespace quelmar
