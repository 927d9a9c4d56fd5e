#pragma once

#include <string>

#include "base/folder_cursor.h"
#include "convert/record_store.h"

namespace quelmar {

// Tells, by the records on the outputs, which sources a run need not convert again.
class UpToDateCheck {
 public:
  // output_root: the run's output folder (checks find nothing up to date when it cannot be
  // opened); settings: the SettingsDigest the run converts with. store must outlive the check.
  UpToDateCheck(RecordStore& store, const std::string& output_root, std::string settings);

  // True when the output of the source file name in the folder open at descriptor
  // source_folder, whose path below the source folder is relative, carries a record that
  // matches the source's size and time as they are now, the run's settings, the output's path
  // and the output as it is now. Anything missing, damaged or different gives false.
  bool IsUpToDate(int source_folder, const std::string& relative, const std::string& name);

 private:
  RecordStore& store_;
  FolderCursor output_;
  std::string settings_;
};

// The folder names of a relative path: everything before its last "/", split at each "/".
std::vector<std::string> FolderNames(const std::string& relative);

}  // namespace quelmar
