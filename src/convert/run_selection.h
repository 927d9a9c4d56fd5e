#pragma once

#include <optional>

#include "convert/shard.h"

namespace quelmar {

// Which of the files a run reaches it converts, and whether it writes anything.
struct RunSelection {
  // Only the files whose relative paths fall in this slice; the others are not the run's own.
  std::optional<Shard> shard;
  // Files whose outputs were made from the same source with the same settings are skipped,
  // and every output written carries a record of what it was made from.
  bool update = false;
  // Nothing is written: each file that would be converted is reported as planned.
  bool dry_run = false;
};

}  // namespace quelmar
