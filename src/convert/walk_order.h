#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/folder_chain.h"
#include "base/folder_handle.h"
#include "convert/folder_listing.h"

namespace quelmar {

// The two passes over a folder's files, in the walk's order.
inline constexpr const char* kWalkSuffixes[] = {".jpg", ".jpeg"};

// True when name ends in one of kWalkSuffixes, in any case: a file the walk would convert.
bool HasWalkSuffix(const std::string& name);

// False when name equals one of except_folders exactly (case-sensitive, whole name, byte for
// byte); true otherwise. Empty entries never match, since a listed folder has a name.
bool IsFolderIncluded(const std::string& name, const std::vector<std::string>& except_folders);

// True when the walk enters entry: a real folder whose name is not excluded.
bool IsWalkedFolder(const FolderEntry& entry, const std::vector<std::string>& except_folders);

// True when the walk converts entry in the pass for suffix.
bool IsWalkedFile(const FolderEntry& entry, const std::string& suffix);

// What a run does with a file the walk reaches.
enum class FileChoice {
  kWork,      // converts it
  kLeaveOut,  // not this run's file (another slice of the run): not counted, not reported
  kUpToDate,  // its output is still what it makes: reported as skipped
};

// Chooses for the file name in the folder open at descriptor folder, whose path below the
// source folder is relative (names joined by "/"). Called once for every file the listing
// reaches, in walk order, on the listing's thread.
using FileChooser =
    std::function<FileChoice(int folder, const std::string& relative, const std::string& name)>;

// The path below the source folder of a file name in the folder reached by the names folders:
// the names joined by "/".
std::string RelativePath(const std::vector<std::string>& folders, const std::string& name);

// The files a run goes through, in the order it reaches them, with the folders they lie in
// (each folder's parent listed before it) and the choice made for each: the base of a walk's
// listing of a tree and of a list of files named one by one.
class SourceListing {
 public:
  static constexpr std::size_t kNoFolder = static_cast<std::size_t>(-1);

  struct Folder {
    std::size_t parent = kNoFolder;  // kNoFolder for the source folder itself
    std::size_t depth = 0;           // 0 for the source folder
    std::string name;                // empty for the source folder
    FolderIdentity identity;
  };
  struct File {
    std::string path;  // joined as the walk joins it
    std::size_t folder = 0;
    std::string name;
  };

  // The files to work on.
  const std::vector<File>& files() const { return files_; }
  // True when the chooser found the file at path (joined as the walk joins it) up to date.
  bool IsUpToDate(const std::string& path) const { return up_to_date_.contains(path); }
  // The files to work on and those found up to date: the files a run reports.
  std::size_t chosen() const { return files_.size() + up_to_date_.size(); }
  // Every file the listing reached, whatever the chooser said.
  std::size_t found() const { return found_; }
  const std::vector<Folder>& folders() const { return folders_; }
  // The source folder, open while the listing lives; closed when it could not be opened.
  const FolderHandle& root() const { return root_; }
  // True when identity is that of a folder the listing has entered, the source folder included.
  bool HasFolder(const FolderIdentity& identity) const;

 protected:
  // Opens source (a source that cannot be opened lists nothing: root() stays closed).
  SourceListing(const std::string& source, FileChooser chooser);
  ~SourceListing() = default;

  // Records a folder entered below parent (kNoFolder for the source folder itself) with the
  // identity it has; returns its index.
  std::size_t AddFolder(std::size_t parent, const std::string& name, FolderIdentity identity);
  // Lists the file name of the folder of index folder, open at descriptor fd, as the chooser
  // says (and returns what it said); relative is its path below the source, path as the walk
  // joins it.
  FileChoice Choose(std::size_t folder, int fd, const std::string& relative,
                    const std::string& name, const std::string& path);

  FolderHandle root_;

 private:
  const FileChooser chooser_;
  std::vector<Folder> folders_;
  std::vector<File> files_;
  std::unordered_set<std::string> up_to_date_;
  std::size_t found_ = 0;
  std::unordered_set<FolderIdentity, FolderIdentityHash> identities_;
};

// Every file the walk of a source tree reaches if nothing changes on the disk meanwhile, in the
// order it reaches them (each folder's sub-folders first, then its "*.jpg", then its "*.jpeg"
// files), with the folders they lie in. It is listed one folder at a time, so that a caller can
// let events run between the steps of a large or slow tree. Folders that cannot be entered or
// read are left out (the walk reports them when it gets there).
class WalkListing : public SourceListing {
 public:
  // Opens source (a source that cannot be opened lists nothing); lists nothing yet. chooser,
  // when given, decides for each file: files() holds only those to work on.
  WalkListing(const std::string& source, std::vector<std::string> except_folders,
              FileChooser chooser = {});

  // Lists the next folder. False once the whole tree has been listed.
  bool Step();
  bool done() const { return stack_.empty(); }

 private:
  struct Frame {
    std::size_t folder;
    std::vector<FolderEntry> entries;
    std::size_t next = 0;  // the next entry whose sub-folder is to be listed
    std::size_t path_size;
  };

  // Records the folder the chain has just entered, with its entries.
  void Push(std::size_t parent, const std::string& name, std::vector<FolderEntry> entries);
  // Lists the files of the folder on top, whose sub-folders are done, and climbs back up.
  void Pop();

  const std::vector<std::string> except_folders_;
  std::unique_ptr<FolderChain> chain_;
  std::string path_;                   // the path of the folder on top of the stack
  std::vector<std::string> relative_;  // the names of the folders below the source down to it
  std::vector<Frame> stack_;
};

// The whole of a WalkListing's files, listed at once.
std::vector<std::string> ListWalkOrder(const std::string& source,
                                       const std::vector<std::string>& except_folders);

}  // namespace quelmar
