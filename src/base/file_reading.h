#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/memory_budget.h"

namespace quelmar {

// Reads a whole file. Fails with EFOpenError when it cannot be opened (a folder cannot),
// and with EReadError when reading fails midway.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// ReadWholeFile for the file name in the folder open at descriptor folder (AT_FDCWD: name is a
// path), so that a file deeper than the longest path the system resolves can be read; path
// names it in errors.
std::vector<std::uint8_t> ReadWholeFileAt(int folder, const std::string& name,
                                          const std::string& path);

// A whole file held in memory, counted in the memory budget for as long as it is held.
struct HeldFile {
  std::vector<std::uint8_t> bytes;
  MemoryReservation reservation;  // at least bytes.size()
};

// Looks at the start of a file before the rest is read, and refuses the file by throwing.
// It gets the file's first bytes, all of them when the file is shorter than asked for.
using FileStartCheck = std::function<void(std::span<const std::uint8_t> start)>;

// Reads a whole file like ReadWholeFile, but never holds more of it than the memory budget
// allows: first start_size bytes are read and handed to check, whose error passes on with
// nothing more read; only then is the file's size taken from the budget (waiting, as the first
// reservation of a MemoryTurn, see MemoryReservation::Waiting) and the rest read, the
// reservation growing with a file that grows or has no size (a pipe, a device). Fails with
// EOutOfResources when the file does not fit the budget, and with EFOpenError and EReadError
// as ReadWholeFile.
HeldFile ReadFileWithinBudget(const std::string& path, std::size_t start_size = 0,
                              const FileStartCheck& check = {});

// ReadFileWithinBudget for the file name in the folder open at descriptor folder, path naming
// it in errors (see ReadWholeFileAt).
HeldFile ReadFileWithinBudgetAt(int folder, const std::string& name, const std::string& path,
                                std::size_t start_size = 0, const FileStartCheck& check = {});

}  // namespace quelmar
