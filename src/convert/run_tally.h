#pragma once

#include <string>

#include "convert/file_outcome.h"

namespace quelmar {

// What became of the files of one run, counted for the report at its end.
struct RunTally {
  int converted = 0;
  // Files that could not be converted, and source folders that could not be read (which a run
  // reports like files it could not read).
  int failed = 0;
  int skipped = 0;  // up to date, left as they were
  int planned = 0;  // would be converted (a dry run writes nothing)

  void Add(const FileOutcome& outcome);

  // Every count of the run in one line: "変換したファイル 12、変換できなかったファイル 3", with
  // "、変換済みで飛ばしたファイル 5" after the first count when files were skipped.
  std::string Text() const;
};

}  // namespace quelmar
