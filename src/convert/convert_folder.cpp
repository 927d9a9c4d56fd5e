#include "convert/convert_folder.h"

#include <fcntl.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/folder_chain.h"
#include "base/paths.h"
#include "convert/convert_file.h"
#include "convert/walk_steps.h"

namespace quelmar {

namespace {

// The folders the walk lists ahead between two chances for events to run.
constexpr int kListingStep = 16;

// What a walk of a tree carries down the recursion besides the run's own.
struct TreeWalk : Walk {
  using Walk::Walk;
  // The workers end before the listing they read goes.
  ~TreeWalk() { pipeline.reset(); }
  std::unique_ptr<FolderChain> source;  // open on the folder the walk is in, when it could be
  // Made when the walk reaches its first file, so a run stopped before lists nothing twice;
  // the pipeline reads the listing and goes first.
  std::optional<WalkListing> tree;
};

// A source folder that cannot be opened or read is reported like a file that cannot be read.
bool ReportUnreadFolder(Walk& walk, int error) {
  FileOutcome outcome;
  outcome.result = FileOutcome::Result::kFolderNotRead;
  outcome.source = walk.path;
  outcome.relative = RelativePath(walk.folders, "");
  if (!outcome.relative.empty()) outcome.relative.pop_back();
  outcome.output = walk.output.path();
  outcome.message = walk.path + kPathSeparator + kNotReadSuffix;
  outcome.reason = SystemErrorText(error);
  return Report(walk, outcome);
}

// Lists the whole tree ahead for the pipeline, a few folders at a time with events running in
// between, so that a large or slow tree neither freezes the window nor hides a stop. False when
// the run stops meanwhile.
bool ListAhead(TreeWalk& walk) {
  if (walk.pipeline) return true;
  RunHost& host = walk.host;
  if (!walk.tree) walk.tree.emplace(walk.root, host.State().FExceptFolders, Chooser(walk));
  int steps = 0;
  while (walk.tree->Step()) {
    if (++steps % kListingStep == 0 && !GoesOn(host)) return false;
  }
  StartWork(walk, *walk.tree);
  host.SetProgressMax(static_cast<std::int32_t>(walk.tree->files().size()));
  host.FilesListed({walk.tree->files().size(), walk.tree->chosen() - walk.tree->files().size(),
                    walk.tree->found()});
  return true;
}

// One pass over the files of the current folder whose names end in suffix. False when the run
// stops. cleared: whether the output folder has been cleared of an earlier run's temporary
// files.
bool ConvertFiles(TreeWalk& walk, const std::vector<FolderEntry>& entries, const char* suffix,
                  bool& cleared) {
  for (const FolderEntry& entry : entries) {
    if (!IsWalkedFile(entry, suffix)) continue;
    // Listed at the first JPEG of the tree, whichever slice it falls in.
    if (!ListAhead(walk)) return false;
    const std::optional<Shard>& shard = walk.selection.shard;
    if (shard && !InShard(RelativePath(walk.folders, entry.name), *shard)) continue;
    if (!GoesOn(walk.host)) return false;
    if (!TakeFile(walk, walk.source->fd(), entry.name, cleared)) return false;
  }
  return true;
}

void WalkFolder(TreeWalk& walk, int open_error);

// Enters the sub-folder name of the current folder, walks it and comes back.
void EnterFolder(TreeWalk& walk, const std::string& name) {
  const int error = walk.source->Enter(name, FolderLinks::kRefuse);
  const std::size_t path_size = walk.path.size();
  walk.path = JoinPath(walk.path, name);
  walk.folders.push_back(name);
  walk.output.Enter(name);
  WalkFolder(walk, error);
  walk.output.Leave();
  walk.folders.pop_back();
  walk.path.resize(path_size);
  if (error == 0) {
    if (const int up = walk.source->Leave()) throw EFOpenError(walk.path, up);
  }
}

// Walks the current folder, which could not be opened when open_error is not 0.
void WalkFolder(TreeWalk& walk, int open_error) {
  RunHost& host = walk.host;
  if (!GoesOn(host)) return;

  FolderListing listing =
      open_error != 0 ? FolderListing{{}, open_error} : ListFolder(walk.source->fd());
  // A folder that vanished or was swapped for a link since it was listed is simply not there.
  const int error = listing.error;
  if (error != 0 && error != ENOENT && error != ENOTDIR && error != ELOOP &&
      !ReportUnreadFolder(walk, error)) {
    return;
  }
  for (const FolderEntry& entry : listing.entries) {
    if (!GoesOn(host)) return;
    if (IsWalkedFolder(entry, host.State().FExceptFolders)) {
      EnterFolder(walk, entry.name);
      if (host.State().FStop == 1) return;
    }
  }
  bool cleared = false;
  for (const char* suffix : kWalkSuffixes) {
    if (!ConvertFiles(walk, listing.entries, suffix, cleared)) return;
  }
}

}  // namespace

RunTally ConvertFolder(RunHost& host, const std::string& source, const std::string& output) {
  // Leaving, however it happens, throws away the work done ahead and ends the workers.
  TreeWalk walk(host, source, output);
  FolderHandle root;
  const int error = OpenFolderAt(AT_FDCWD, source, FolderLinks::kFollow, root);
  if (error == 0) walk.source = std::make_unique<FolderChain>(std::move(root));
  return FinishingRecords(walk, [&] { WalkFolder(walk, error); });
}

}  // namespace quelmar
