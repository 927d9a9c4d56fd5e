#include "convert/convert_folder.h"

#include <fcntl.h>
#include <sys/stat.h>

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
#include "convert/record_store.h"
#include "convert/settings_digest.h"
#include "convert/up_to_date.h"
#include "convert/walk_order.h"

namespace quelmar {

namespace {

// The folders the walk lists ahead between two chances for events to run.
constexpr int kListingStep = 16;

// What one run's walk carries down the recursion.
struct Walk {
  Walk(RunHost& run_host, const std::string& source, const std::string& output)
      : host(run_host),
        root(source),
        output_root(output),
        selection(run_host.Selection()),
        path(source),
        output(output),
        records(output) {}

  RunHost& host;
  const std::string root;
  const std::string output_root;
  const RunSelection selection;
  std::string path;                     // the source folder the walk is in
  std::vector<std::string> folders;     // the names of the folders below the source down to it
  std::unique_ptr<FolderChain> source;  // open on that folder, when it could be opened
  OutputFolders output;
  RecordStore records;
  LogoDigests logos;
  RunCounts counts;
  // Made when the walk reaches its first file, so a run stopped before lists nothing twice;
  // the pipeline reads the listing and goes first.
  std::optional<UpToDateCheck> up_to_date;
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
  walk.counts.Add(outcome);
  host.FileFinished(outcome);
  if (!outcome.failed() || host.AskYesNo(outcome.message + kContinueQuestion)) return true;
  host.State().FStop = 1;
  return false;
}

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

// What the listing does with each file: leaves out the other slices' files and, for an update,
// finds those whose outputs are up to date with the settings the run starts with.
FileChooser Chooser(Walk& walk) {
  const RunSelection& selection = walk.selection;
  if (!selection.shard && !selection.update) return {};
  if (selection.update) {
    RunHost& host = walk.host;
    walk.up_to_date.emplace(walk.records, walk.output_root,
                            ConversionDigest(walk.logos, host.State().FMark.Share(),
                                             host.CurrentStampSettings(), host.Quality()));
  }
  return [&walk](int folder, const std::string& relative, const std::string& name) {
    if (walk.selection.shard && !InShard(relative, *walk.selection.shard)) {
      return FileChoice::kLeaveOut;
    }
    if (walk.up_to_date && walk.up_to_date->IsUpToDate(folder, relative, name)) {
      return FileChoice::kUpToDate;
    }
    return FileChoice::kWork;
  };
}

// Lists the whole tree ahead for the pipeline, a few folders at a time with events running in
// between, so that a large or slow tree neither freezes the window nor hides a stop. False when
// the run stops meanwhile.
bool ListAhead(Walk& walk) {
  if (walk.pipeline) return true;
  RunHost& host = walk.host;
  if (!walk.listing) walk.listing.emplace(walk.root, host.State().FExceptFolders, Chooser(walk));
  int steps = 0;
  while (walk.listing->Step()) {
    if (++steps % kListingStep == 0 && !GoesOn(host)) return false;
  }
  walk.pipeline.emplace(*walk.listing, host.Jobs());
  host.FilesListed(walk.listing->chosen(), walk.listing->found());
  return true;
}

// The work of the file name, done ahead by the pipeline, or here when the tree changed since the
// pipeline listed it.
RecordedWork WorkOf(Walk& walk, const std::string& name, const std::string& path) {
  RunHost& host = walk.host;
  if (std::optional<RecordedWork> done = walk.pipeline->Take(path, host)) return std::move(*done);
  const std::shared_ptr<const Raster24> mark = host.State().FMark.Share();
  const StampSettings settings = host.CurrentStampSettings();
  const std::int32_t quality = host.Quality();
  return StampRecordedFile(SourceFile{walk.source->fd(), name, path}, *mark, settings, quality,
                           ConversionDigest(walk.logos, mark, settings, quality));
}

// Writes the converted file name into the output folder open at output; for an update, with
// the record of what it was made from (on the file, or else in the index once it is in place).
void WriteOutput(Walk& walk, const RecordedWork& work, const FileOutcome& outcome, int output,
                 const std::string& name) {
  const StampedJpeg& stamped = work.stamped;
  if (!walk.selection.update || !work.source) {
    // Without a stamp the source changed while it was read: no record, so it is made again.
    ReplaceFileAt(output, name, outcome.output, stamped.bytes, ShortWriteReport::kCreateError);
    return;
  }
  OutputRecord record{*work.source, {}, work.settings, PathDigest(outcome.relative)};
  bool stamped_output = false;
  bool attached = false;
  ReplaceFileAt(output, name, outcome.output, stamped.bytes, ShortWriteReport::kCreateError,
                [&](int fd) {
                  // The written file's own size and time, which the rename keeps.
                  struct stat written {};
                  if (::fstat(fd, &written) != 0) return;
                  stamped_output = true;
                  record.output = StampOf(written);
                  attached = RecordStore::Attach(fd, record);
                });
  if (stamped_output && !attached) walk.records.Remember(record);
}

// Converts the file name of the current folder into the output folder open at output.
FileOutcome ConvertOne(Walk& walk, const std::string& name, int output) {
  const std::string path = JoinPath(walk.path, name);
  RecordedWork work;
  try {
    work = WorkOf(walk, name, path);
  } catch (Error& error) {
    // A decode error or a memory refusal says which file it was about.
    error.NameFile(path);
    throw;
  }
  const StampedJpeg& stamped = work.stamped;
  FileOutcome outcome{stamped.result,
                      path,
                      RelativePath(walk.folders, name),
                      JoinPath(walk.output.path(), name),
                      stamped.message,
                      stamped.reason,
                      stamped.bytes_in,
                      0,
                      stamped.milliseconds};
  if (!outcome.converted()) return outcome;
  const auto start = std::chrono::steady_clock::now();
  WriteOutput(walk, work, outcome, output, name);
  outcome.bytes_out = stamped.bytes.size();
  outcome.milliseconds +=
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

// The outcome of the file name of the current folder when the run does not convert it: up to
// date (as the listing found it), or planned in a dry run.
std::optional<FileOutcome> Unconverted(Walk& walk, const std::string& name) {
  FileOutcome outcome;
  outcome.source = JoinPath(walk.path, name);
  if (walk.listing->IsUpToDate(outcome.source)) {
    outcome.result = FileOutcome::Result::kSkipped;
  } else if (walk.selection.dry_run) {
    outcome.result = FileOutcome::Result::kPlanned;
  } else {
    return std::nullopt;
  }
  outcome.relative = RelativePath(walk.folders, name);
  outcome.output = JoinPath(walk.output.path(), name);
  return outcome;
}

// One pass over the files of the current folder whose names end in suffix. False when the run
// stops. cleared: whether the output folder has been cleared of an earlier run's temporary
// files.
bool ConvertFiles(Walk& walk, const std::vector<FolderEntry>& entries, const char* suffix,
                  bool& cleared) {
  for (const FolderEntry& entry : entries) {
    if (!IsWalkedFile(entry, suffix)) continue;
    const std::optional<Shard>& shard = walk.selection.shard;
    if (shard && !InShard(RelativePath(walk.folders, entry.name), *shard)) continue;
    if (!GoesOn(walk.host) || !ListAhead(walk)) return false;
    if (const std::optional<FileOutcome> outcome = Unconverted(walk, entry.name)) {
      if (!Report(walk, *outcome)) return false;
      continue;
    }
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

// Writes the records the index still waits for; a failure is reported, since the outputs are
// written all the same and will only be made again by the next update.
void FlushRecords(Walk& walk) {
  try {
    walk.records.Flush();
  } catch (const std::exception& error) {
    walk.host.ReportError(error);
  }
}

}  // namespace

RunCounts ConvertFolder(RunHost& host, const std::string& source, const std::string& output) {
  // Leaving, however it happens, throws away the work done ahead and ends the workers.
  Walk walk(host, source, output);
  FolderHandle root;
  const int error = OpenFolderAt(AT_FDCWD, source, FolderLinks::kFollow, root);
  if (error == 0) walk.source = std::make_unique<FolderChain>(std::move(root));
  try {
    WalkFolder(walk, error);
  } catch (...) {
    // The records of the files written before the error are kept all the same.
    FlushRecords(walk);
    throw;
  }
  FlushRecords(walk);
  return walk.counts;
}

}  // namespace quelmar
