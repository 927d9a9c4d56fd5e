#include "convert/walk_order.h"

#include <fcntl.h>

#include <algorithm>
#include <utility>

#include "base/paths.h"
#include "base/text.h"

namespace quelmar {

bool IsFolderIncluded(const std::string& name, const std::vector<std::string>& except_folders) {
  return std::find(except_folders.begin(), except_folders.end(), name) == except_folders.end();
}

bool IsWalkedFolder(const FolderEntry& entry, const std::vector<std::string>& except_folders) {
  return entry.kind == FolderEntry::Kind::kFolder && IsFolderIncluded(entry.name, except_folders);
}

bool IsWalkedFile(const FolderEntry& entry, const std::string& suffix) {
  return entry.kind == FolderEntry::Kind::kFile && EndsWithIgnoringAsciiCase(entry.name, suffix);
}

bool HasWalkSuffix(const std::string& name) {
  for (const char* suffix : kWalkSuffixes) {
    if (EndsWithIgnoringAsciiCase(name, suffix)) return true;
  }
  return false;
}

std::string RelativePath(const std::vector<std::string>& folders, const std::string& name) {
  std::string relative;
  for (const std::string& folder : folders) relative += folder + "/";
  return relative + name;
}

SourceListing::SourceListing(const std::string& source, FileChooser chooser)
    : chooser_(std::move(chooser)) {
  OpenFolderAt(AT_FDCWD, source, FolderLinks::kFollow, root_);
}

std::size_t SourceListing::AddFolder(std::size_t parent, const std::string& name,
                                     FolderIdentity identity) {
  identities_.insert(identity);
  folders_.push_back(
      {parent, parent == kNoFolder ? 0 : folders_[parent].depth + 1, name, identity});
  return folders_.size() - 1;
}

FileChoice SourceListing::Choose(std::size_t folder, int fd, const std::string& relative,
                                 const std::string& name, const std::string& path) {
  ++found_;
  const FileChoice choice = chooser_ ? chooser_(fd, relative, name) : FileChoice::kWork;
  if (choice == FileChoice::kWork) files_.push_back({path, folder, name});
  if (choice == FileChoice::kUpToDate) up_to_date_.insert(path);
  return choice;
}

bool SourceListing::HasFolder(const FolderIdentity& identity) const {
  return identities_.contains(identity);
}

WalkListing::WalkListing(const std::string& source, std::vector<std::string> except_folders,
                         FileChooser chooser)
    : SourceListing(source, std::move(chooser)),
      except_folders_(std::move(except_folders)),
      path_(source) {
  if (!root_.is_open()) return;
  FolderListing listing = ListFolder(root_.fd());
  // The chain keeps a descriptor of its own, so that root_ stays put for the caller.
  FolderHandle chain_root;
  if (listing.error != 0 || OpenFolderAt(root_.fd(), ".", FolderLinks::kFollow, chain_root) != 0) {
    root_.Close();
    return;
  }
  chain_ = std::make_unique<FolderChain>(std::move(chain_root));
  Push(kNoFolder, {}, std::move(listing.entries));
}

void WalkListing::Push(std::size_t parent, const std::string& name,
                       std::vector<FolderEntry> entries) {
  const std::size_t folder = AddFolder(parent, name, chain_->identity());
  const std::size_t path_size = path_.size();
  if (parent != kNoFolder) {
    path_ = JoinPath(path_, name);
    relative_.push_back(name);
  }
  stack_.push_back({folder, std::move(entries), 0, path_size});
}

void WalkListing::Pop() {
  const Frame& frame = stack_.back();
  for (const char* suffix : kWalkSuffixes) {
    for (const FolderEntry& entry : frame.entries) {
      if (IsWalkedFile(entry, suffix)) {
        Choose(frame.folder, chain_->fd(), RelativePath(relative_, entry.name), entry.name,
               JoinPath(path_, entry.name));
      }
    }
  }
  path_.resize(frame.path_size);
  if (!relative_.empty() && stack_.size() > 1) relative_.pop_back();
  stack_.pop_back();
  // A tree that cannot be climbed back (it was moved meanwhile) is listed no further.
  if (!stack_.empty() && chain_->Leave() != 0) stack_.clear();
}

bool WalkListing::Step() {
  while (!stack_.empty()) {
    Frame& frame = stack_.back();
    while (frame.next < frame.entries.size()) {
      const FolderEntry& entry = frame.entries[frame.next++];
      if (!IsWalkedFolder(entry, except_folders_)) continue;
      if (chain_->Enter(entry.name, FolderLinks::kRefuse) != 0) continue;
      FolderListing listing = ListFolder(chain_->fd());
      if (listing.error != 0) {
        chain_->Leave();
        continue;
      }
      const std::string name = entry.name;  // Push moves the frames
      Push(frame.folder, name, std::move(listing.entries));
      return true;
    }
    Pop();
  }
  return false;
}

std::vector<std::string> ListWalkOrder(const std::string& source,
                                       const std::vector<std::string>& except_folders) {
  WalkListing listing(source, except_folders);
  while (listing.Step()) {
  }
  std::vector<std::string> files;
  for (const WalkListing::File& file : listing.files()) files.push_back(file.path);
  return files;
}

}  // namespace quelmar
