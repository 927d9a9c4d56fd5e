#pragma once

#include <cstddef>

#include "convert/file_outcome.h"

namespace quelmar {

// How many files of a run came to each end.
struct RunCounts {
  std::size_t converted = 0;
  std::size_t failed = 0;   // files and folders that could not be converted or read
  std::size_t skipped = 0;  // up to date
  std::size_t planned = 0;  // would be converted (a dry run)

  void Add(const FileOutcome& outcome) {
    if (outcome.converted()) ++converted;
    if (outcome.failed()) ++failed;
    if (outcome.result == FileOutcome::Result::kSkipped) ++skipped;
    if (outcome.result == FileOutcome::Result::kPlanned) ++planned;
  }
};

}  // namespace quelmar
