#pragma once

#include <string>

#include "base/descriptor.h"

namespace quelmar {

// The hidden temporary file that a file is written to before it replaces another in one rename.
// Its writer holds a lock on it for its whole life, from the moment it has a name until it has
// been renamed or removed; a file whose lock nobody holds was left by a writer that died.
class ReplaceTemporary {
 public:
  // Creates it beside the file name in the folder open at descriptor folder, opened for
  // writing with mode 0600. Fails with EFCreateError (naming path) when it cannot be created.
  ReplaceTemporary(int folder, const std::string& name, const std::string& path);
  // Removes the file unless Commit renamed it, then lets go of the lock.
  ~ReplaceTemporary();
  ReplaceTemporary(const ReplaceTemporary&) = delete;
  ReplaceTemporary& operator=(const ReplaceTemporary&) = delete;

  int fd() const { return fd_.get(); }
  const std::string& temporary_name() const { return temporary_; }

  // Renames the file over name (the caller has flushed it). Fails with EFCreateError, the
  // temporary file then removed by the destructor.
  void Commit();

 private:
  int folder_;
  std::string name_;
  std::string path_;
  std::string temporary_;
  Descriptor fd_;
  bool committed_ = false;
};

// True for the names of the temporary files ReplaceTemporary makes.
bool IsReplaceTemporaryName(const std::string& name);

// Removes the temporary files that an interrupted ReplaceFile left in folder (a killed
// process cannot remove its own). A file is removed only when no process holds its lock, so a
// writer that is still alive keeps its file wherever it runs (another PID namespace, another
// container on the same volume). Errors are ignored: the files are only clutter.
void RemoveStaleTemporaryFiles(const std::string& folder);

// RemoveStaleTemporaryFiles for the folder open at descriptor folder.
void RemoveStaleTemporaryFilesAt(int folder);

}  // namespace quelmar
