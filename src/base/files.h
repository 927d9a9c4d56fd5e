#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quelmar {

// Reads a whole file. Fails with EFOpenError when it cannot be opened (a folder cannot),
// and with EReadError when reading fails midway.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// The error kind a short write (a full disk) is reported with.
enum class ShortWriteReport { kWriteError, kCreateError };

// What a symbolic link at the path ReplaceFile writes gets: its target's contents replaced (a
// settings file kept in a dotfiles folder stays a link), or the link itself replaced by the new
// file, leaving whatever it named untouched (an output photo never writes through a link into
// another folder).
enum class LinkReplacement { kWriteThrough, kReplaceLink };

// Creates the file at path, or replaces an existing one, with exactly data, never leaving a
// half-written file: the bytes go to a hidden temporary file in the same folder, are flushed
// to the disk, and only then is it renamed over path. On any failure the old file (if any) is
// as it was and no temporary file is left.
//
// A file or folder without any write permission bit counts as read-only, even for root, and is
// refused with EFCreateError, as is anything that cannot be created. A short write fails with
// EWriteError or EFCreateError as report says; links are treated as links says.
void ReplaceFile(const std::string& path, std::span<const std::uint8_t> data,
                 ShortWriteReport report, LinkReplacement links = LinkReplacement::kReplaceLink);

// True for the names of the temporary files ReplaceFile makes.
bool IsReplaceTemporaryName(const std::string& name);

// Removes the temporary files that an interrupted ReplaceFile left in folder (a killed
// process cannot remove its own). Errors are ignored: the files are only clutter.
void RemoveStaleTemporaryFiles(const std::string& folder);

}  // namespace quelmar
