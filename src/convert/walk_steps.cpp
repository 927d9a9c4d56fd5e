#include "convert/walk_steps.h"

#include <sys/stat.h>

#include <chrono>
#include <memory>

#include "base/errors.h"
#include "base/files.h"
#include "base/paths.h"
#include "convert/convert_folder.h"
#include "convert/recorded_work.h"

namespace quelmar {

namespace {

// The work of the file name, done ahead by the pipeline, or here when the tree changed since
// the listing.
RecordedWork WorkOf(Walk& walk, int source_folder, const std::string& name,
                    const std::string& path) {
  RunHost& host = walk.host;
  if (std::optional<RecordedWork> done = walk.pipeline->Take(path, host)) return std::move(*done);
  const SharedLogo mark = host.State().FMark;
  const StampSettings settings = host.CurrentStampSettings();
  const std::int32_t quality = host.Quality();
  return StampRecordedFile(SourceFile{source_folder, name, path}, mark, settings, quality,
                           {host.Lossless(), host.KeepMetadata()},
                           ConversionDigest(walk.logos, mark, host.OutputSettings()));
}

// Writes the converted file name into the output folder open at output; for an update, with
// the record of what it was made from (on the file, or else in the index once it is in place).
void WriteOutput(Walk& walk, const RecordedWork& work, const FileOutcome& outcome, int output,
                 const std::string& name) {
  const StampedJpeg& stamped = work.stamped;
  if (!walk.selection.update || !work.source) {
    // Without a stamp the source changed while it was read: no record, so it is made again.
    ReplaceFileAt(output, name, outcome.output, stamped.bytes, ShortWriteReport::kCreateError);
    KeepSourceTime(stamped, output, name);
    return;
  }
  OutputRecord record{*work.source, {}, work.settings, PathDigest(outcome.relative)};
  bool stamped_output = false;
  bool attached = false;
  ReplaceFileAt(
      output, name, outcome.output, stamped.bytes, ShortWriteReport::kCreateError, [&](int fd) {
        // A kept source date goes on first: the record holds the output's final time.
        if (stamped.source_time) {
          const timespec times[2] = {{0, UTIME_OMIT},
                                     {static_cast<time_t>(stamped.source_time->seconds),
                                      static_cast<long>(stamped.source_time->nanoseconds)}};
          (void)::futimens(fd, times);
        }
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
FileOutcome ConvertOne(Walk& walk, int source_folder, const std::string& name, int output) {
  const std::string path = JoinPath(walk.path, name);
  RecordedWork work;
  try {
    work = WorkOf(walk, source_folder, name, path);
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
                      stamped.milliseconds,
                      stamped.lossless};
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

}  // namespace

Walk::Walk(RunHost& run_host, const std::string& source, const std::string& output)
    : host(run_host),
      root(source),
      output_root(output),
      selection(run_host.Selection()),
      path(source),
      output(output),
      records(output) {}

bool GoesOn(RunHost& host) {
  host.ProcessEvents();
  return host.State().FStop != 1;
}

bool Report(Walk& walk, const FileOutcome& outcome) {
  RunHost& host = walk.host;
  walk.counts.Add(outcome);
  host.State().tally.Add(outcome);
  if (outcome.result != FileOutcome::Result::kFolderNotRead) {
    // A tree that grew since it was listed makes the maximum grow with it.
    const std::int32_t done = host.ProgressPosition() + 1;
    if (done > host.ProgressMax()) host.SetProgressMax(done);
    host.SetProgressPosition(done);
  }
  host.FileFinished(outcome);
  if (!outcome.failed() || host.AskYesNo(outcome.message + kContinueQuestion)) return true;
  host.State().FStop = 1;
  return false;
}

FileChooser Chooser(Walk& walk) {
  const RunSelection& selection = walk.selection;
  if (!selection.shard && !selection.update) return {};
  if (selection.update && !walk.up_to_date) {
    RunHost& host = walk.host;
    walk.up_to_date.emplace(
        walk.records, walk.output_root,
        ConversionDigest(walk.logos, host.State().FMark, host.OutputSettings()));
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

void StartWork(Walk& walk, const SourceListing& listing) {
  walk.pipeline.reset();
  walk.listing = &listing;
  walk.pipeline.emplace(listing, walk.host.Jobs());
}

bool TakeFile(Walk& walk, int source_folder, const std::string& name, bool& cleared) {
  if (const std::optional<FileOutcome> outcome = Unconverted(walk, name)) {
    return Report(walk, *outcome);
  }
  // Made before the first file (a failure to make it is reported as that folder's own), and
  // checked to lead nowhere into the source before anything is removed or written there.
  const int output = walk.output.Ready(*walk.listing);
  if (!cleared) {
    // A killed earlier run may have left temporary files where this one writes.
    RemoveStaleTemporaryFilesAt(output);
    cleared = true;
  }
  return Report(walk, ConvertOne(walk, source_folder, name, output));
}

void FlushRecords(Walk& walk) {
  try {
    walk.records.Flush();
  } catch (const std::exception& error) {
    walk.host.ReportError(error);
  }
}

}  // namespace quelmar
