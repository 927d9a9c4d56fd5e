#include "convert/convert_folder.h"

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "base/folder_chain.h"
#include "base/paths.h"
#include "convert/conversion_pipeline.h"
#include "convert/convert_file.h"
#include "convert/output_folders.h"
#include "convert/walk_order.h"

namespace quelmar {

namespace {

// The folders the walk lists ahead between two chances for events to run.
constexpr int kListingStep = 16;

// What one run's walk carries down the recursion.
struct Walk {
  RunHost& host;
  const std::string root;
  std::string path;                     // the source folder the walk is in
  std::unique_ptr<FolderChain> source;  // open on that folder
  OutputFolders output;
  // Made when the walk reaches its first file, so a run stopped before lists nothing twice;
  // the pipeline reads the listing and goes first.
  std::optional<WalkListing> listing;
  std::optional<ConversionPipeline> pipeline;
};

// Lets events run and tells whether the run goes on.
bool GoesOn(RunHost& host) {
  host.ProcessEvents();
  return host.State().FStop != 1;
}

// Gives the host an outcome and, after a failure, asks whether to go on. False when the run
// stops.
bool Report(Walk& walk, const FileOutcome& outcome) {
  RunHost& host = walk.host;
  host.FileFinished(outcome);
  if (outcome.converted() || host.AskYesNo(outcome.message + kContinueQuestion)) return true;
  host.State().FStop = 1;
  return false;
}

// A source folder that cannot be opened or read is reported like a file that cannot be read.
bool ReportUnreadFolder(Walk& walk, int error) {
  FileOutcome outcome;
  outcome.result = FileOutcome::Result::kFolderNotRead;
  outcome.source = walk.path;
  outcome.output = walk.output.path();
  outcome.message = walk.path + kPathSeparator + kNotReadSuffix;
  outcome.reason = SystemErrorText(error);
  return Report(walk, outcome);
}

// Lists the whole tree ahead for the pipeline, a few folders at a time with events running in
// between, so that a large or slow tree neither freezes the window nor hides a stop. False when
// the run stops meanwhile.
bool ListAhead(Walk& walk) {
  if (walk.pipeline) return true;
  RunHost& host = walk.host;
  if (!walk.listing) walk.listing.emplace(walk.root, host.State().FExceptFolders);
  int steps = 0;
  while (walk.listing->Step()) {
    if (++steps % kListingStep == 0 && !GoesOn(host)) return false;
  }
  walk.pipeline.emplace(*walk.listing, host.Jobs());
  return true;
}

// The work of the file name, done ahead by the pipeline, or here when the tree changed since the
// pipeline listed it.
StampedJpeg WorkOf(Walk& walk, const std::string& name, const std::string& path) {
  RunHost& host = walk.host;
  if (std::optional<StampedJpeg> done = walk.pipeline->Take(path, host)) return std::move(*done);
  return StampJpegFile(SourceFile{walk.source->fd(), name, path}, host.State().FMark,
                       host.CurrentStampSettings(), host.Quality(),
                       {host.Lossless(), host.KeepMetadata()});
}

// Converts the file name of the current folder into the output folder open at output.
FileOutcome ConvertOne(Walk& walk, const std::string& name, int output) {
  const std::string path = JoinPath(walk.path, name);
  StampedJpeg stamped;
  try {
    stamped = WorkOf(walk, name, path);
  } catch (Error& error) {
    // A decode error or a memory refusal says which file it was about.
    error.NameFile(path);
    throw;
  }
  FileOutcome outcome{stamped.result,
                      path,
                      JoinPath(walk.output.path(), name),
                      stamped.message,
                      stamped.reason,
                      stamped.bytes_in,
                      0,
                      stamped.milliseconds,
                      stamped.lossless};
  if (!outcome.converted()) return outcome;
  const auto start = std::chrono::steady_clock::now();
  ReplaceFileAt(output, name, outcome.output, stamped.bytes, ShortWriteReport::kCreateError);
  KeepSourceTime(stamped, output, name);
  outcome.bytes_out = stamped.bytes.size();
  outcome.milliseconds +=
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

// One pass over the files of the current folder whose names end in suffix. False when the run
// stops. cleared: whether the output folder has been cleared of an earlier run's temporary
// files.
bool ConvertFiles(Walk& walk, const std::vector<FolderEntry>& entries, const char* suffix,
                  bool& cleared) {
  for (const FolderEntry& entry : entries) {
    if (!IsWalkedFile(entry, suffix)) continue;
    if (!GoesOn(walk.host) || !ListAhead(walk)) return false;
    // Made before the first file (a failure to make it is reported as that folder's own), and
    // checked to lead nowhere into the source before anything is removed or written there.
    const int output = walk.output.Ready(*walk.listing);
    if (!cleared) {
      // A killed earlier run may have left temporary files where this one writes.
      RemoveStaleTemporaryFilesAt(output);
      cleared = true;
    }
    if (!Report(walk, ConvertOne(walk, entry.name, output))) return false;
  }
  return true;
}

void WalkFolder(Walk& walk, int open_error);

// Enters the sub-folder name of the current folder, walks it and comes back.
void EnterFolder(Walk& walk, const std::string& name) {
  const int error = walk.source->Enter(name, FolderLinks::kRefuse);
  const std::size_t path_size = walk.path.size();
  walk.path = JoinPath(walk.path, name);
  walk.output.Enter(name);
  WalkFolder(walk, error);
  walk.output.Leave();
  walk.path.resize(path_size);
  if (error == 0) {
    if (const int up = walk.source->Leave()) throw EFOpenError(walk.path, up);
  }
}

// Walks the current folder, which could not be opened when open_error is not 0.
void WalkFolder(Walk& walk, int open_error) {
  RunHost& host = walk.host;
  if (!GoesOn(host)) return;
  host.SetProgressMax(host.ProgressMax() + 1);

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
  host.SetProgressPosition(host.ProgressPosition() + 1);
}

}  // namespace

void ConvertFolder(RunHost& host, const std::string& source, const std::string& output) {
  // Leaving, however it happens, throws away the work done ahead and ends the workers.
  Walk walk{host, source, source, nullptr, OutputFolders(output), std::nullopt, std::nullopt};
  FolderHandle root;
  const int error = OpenFolderAt(AT_FDCWD, source, FolderLinks::kFollow, root);
  if (error == 0) walk.source = std::make_unique<FolderChain>(std::move(root));
  WalkFolder(walk, error);
}

}  // namespace quelmar
