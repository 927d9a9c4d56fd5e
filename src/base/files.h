#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/file_reading.h"
#include "base/replace_temporary.h"  // the temporary files ReplaceFile makes

namespace quelmar {

// The error kind a short write (a full disk) is reported with.
enum class ShortWriteReport { kWriteError, kCreateError };

// What a symbolic link at path gets: its target's contents replaced (a settings file kept in a
// dotfiles folder stays a link), or the link itself replaced by the new file, leaving whatever
// it named untouched (an output photo never writes through a link into another folder).
enum class LinkReplacement { kWriteThrough, kReplaceLink };

// Creates the file at path, or replaces an existing one, with exactly data, never leaving a
// half-written file: the bytes go to a hidden temporary file in the same folder, are flushed
// to the disk, and only then is it renamed over path. On any failure the old file (if any) is
// as it was and no temporary file is left. The temporary file is a ReplaceTemporary, locked for
// its whole life, so that RemoveStaleTemporaryFiles leaves it alone.
//
// A file or folder without any write permission bit counts as read-only, even for root, and is
// refused with EFCreateError, as is anything that cannot be created. A short write fails with
// EWriteError or EFCreateError as report says.
//
// Only a regular file is ever replaced. Anything else found at path (reached through a link
// with kWriteThrough) is written through without renaming when links is kWriteThrough: a
// settings file linked to /dev/null keeps nothing and /dev/null stays a device; a FIFO takes
// the bytes when a reader is waiting and is refused with EFCreateError (ENXIO) otherwise, never
// blocking. With kReplaceLink a FIFO, device or socket at path is refused with EFCreateError
// (EEXIST) and left alone.
void ReplaceFile(const std::string& path, std::span<const std::uint8_t> data,
                 ShortWriteReport report, LinkReplacement links = LinkReplacement::kReplaceLink);

// What is done to the temporary file, open at the descriptor given, after every byte has been
// written and before it is flushed and renamed: whatever it sets on the file appears with it.
using BeforeRename = std::function<void(int fd)>;

// ReplaceFile with kReplaceLink for the file name in the folder open at descriptor folder;
// path names it in errors. before_rename, when given, runs on the temporary file (an error it
// throws leaves everything as on any other failure).
void ReplaceFileAt(int folder, const std::string& name, const std::string& path,
                   std::span<const std::uint8_t> data, ShortWriteReport report,
                   const BeforeRename& before_rename = {});

}  // namespace quelmar
