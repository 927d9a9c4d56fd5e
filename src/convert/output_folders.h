#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/folder_chain.h"
#include "convert/walk_order.h"

namespace quelmar {

// The output folders of a walk: the output folder, and below it the folders that mirror the
// source folders the walk is in. A folder is made (with its missing parents) only when a file
// is about to be written into it, each by name from the one above, and every folder made or
// entered is checked to lead nowhere into the source.
class OutputFolders {
 public:
  explicit OutputFolders(std::string root);

  // The walk entered the source sub-folder name, or left it; nothing is made or opened here.
  void Enter(const std::string& name);
  void Leave();

  // The path of the current output folder, joined as the walk joins paths.
  const std::string& path() const { return path_; }

  // The descriptor of the current output folder, made and checked at the first call for it.
  // Throws EFCreateError naming the folder with the system's reason (a read-only file system)
  // when it cannot be made or opened, and EOutputInSource when it is a folder of the source:
  // the source folder or one that source listed, or one reached through a link or another
  // mount that leads below the source folder.
  int Ready(const SourceListing& source);

 private:
  // Throws EOutputInSource naming path when the current folder is a folder of the source;
  // full: the whole way up to "/" is checked too.
  void Check(const SourceListing& source, const std::string& path, bool full) const;

  std::string path_;
  std::vector<std::string> names_;  // the folders entered below the output folder
  std::vector<std::size_t> ends_;   // the length of path_ up to and including each of them
  std::unique_ptr<FolderChain> chain_;
};

}  // namespace quelmar
