#include "convert/output_folders.h"

#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "convert/path_containment.h"

namespace quelmar {

OutputFolders::OutputFolders(std::string root) : path_(std::move(root)) {}

void OutputFolders::Enter(const std::string& name) {
  ends_.push_back(path_.size());
  names_.push_back(name);
  path_ = JoinPath(path_, name);
}

void OutputFolders::Leave() {
  if (names_.empty()) return;
  // A chain that cannot climb back (the output tree was moved meanwhile) is opened afresh from
  // the output folder when a file needs it.
  if (chain_ && chain_->depth() == names_.size() && chain_->Leave() != 0) chain_.reset();
  path_.resize(ends_.back());
  ends_.pop_back();
  names_.pop_back();
}

int OutputFolders::Ready(const SourceListing& source) {
  if (!chain_) {
    const std::string root = names_.empty() ? path_ : path_.substr(0, ends_.front());
    FolderHandle handle;
    int error = OpenFolderAt(AT_FDCWD, root, FolderLinks::kFollow, handle);
    if (error == ENOENT) {
      // The output folder itself is made with its missing parents, as "mkdir -p" makes them.
      std::error_code made;
      std::filesystem::create_directories(root, made);
      error = made ? made.value() : OpenFolderAt(AT_FDCWD, root, FolderLinks::kFollow, handle);
    }
    if (error != 0) throw EFCreateError(root, error);
    chain_ = std::make_unique<FolderChain>(std::move(handle));
    Check(source, root, true);
  }
  while (chain_->depth() < names_.size()) {
    const std::size_t at = chain_->depth();
    const std::string folder = at + 1 < names_.size() ? path_.substr(0, ends_[at + 1]) : path_;
    if (const int error = MakeFolderAt(chain_->fd(), names_[at]))
      throw EFCreateError(folder, error);
    if (const int error = chain_->Enter(names_[at], FolderLinks::kFollow)) {
      throw EFCreateError(folder, error);
    }
    // A folder made or entered by name below a checked one lies outside the source too, unless
    // a link or a mount leads elsewhere: only then is the whole way up checked again.
    Check(source, folder, chain_->crossed());
  }
  return chain_->fd();
}

void OutputFolders::Check(const SourceListing& source, const std::string& path, bool full) const {
  if (source.folders().empty()) return;
  const FolderIdentity here = chain_->identity();
  if (source.HasFolder(here) ||
      (full && IsSameOrBelow(chain_->fd(), source.folders().front().identity))) {
    throw EOutputInSource(path);
  }
}

}  // namespace quelmar
