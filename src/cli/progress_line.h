#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "convert/file_outcome.h"
#include "convert/run_host.h"

namespace quelmar {

// The one line a terminal shows during a run: files done of all, photos per second, and the
// time left. It only counts; the caller draws it.
class ProgressLine {
 public:
  // The tree has been listed: from now on the line knows how many files there are.
  void Listed(const ListedCounts& counts);
  // A file (or a folder that could not be read) is done.
  void Finished(const FileOutcome& outcome);

  // The line after seconds of the run, e.g. "120 / 10000 枚  3.4 枚/秒  残り 0:48"; without a
  // total (a list of files) "120 枚  3.4 枚/秒". Photos per second count the files worked on,
  // not those skipped as up to date; the time left is shown once a file has been worked on.
  std::string Text(double seconds) const;

 private:
  std::optional<ListedCounts> listed_;
  std::size_t done_ = 0;    // every file reported
  std::size_t worked_ = 0;  // converted or failed
};

// A number of seconds as "M:SS", or "H:MM:SS" from an hour on.
std::string Duration(double seconds);

}  // namespace quelmar
