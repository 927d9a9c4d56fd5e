#include "convert/convert_folder.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "base/paths.h"
#include "convert/conversion_pipeline.h"
#include "convert/convert_file.h"
#include "convert/path_containment.h"
#include "convert/walk_order.h"
#include "image/jpeg_file.h"

namespace quelmar {

namespace {

// What one run's walk carries down the recursion.
struct Walk {
  RunHost& host;
  const std::string root;
  // Made when the walk reaches its first file, so a run stopped before lists nothing twice.
  std::optional<ConversionPipeline> pipeline;
};

// Lets events run and tells whether the run goes on.
bool GoesOn(RunHost& host) {
  host.ProcessEvents();
  return host.State().FStop != 1;
}

// The work of the file at path, done ahead by the pipeline, or here when the tree changed
// since the pipeline listed it.
StampedJpeg WorkOf(Walk& walk, const std::string& path) {
  RunHost& host = walk.host;
  if (!walk.pipeline) {
    walk.pipeline.emplace(ListWalkOrder(walk.root, host.State().FExceptFolders), host.Jobs());
  }
  if (std::optional<StampedJpeg> done = walk.pipeline->Take(path, host)) return std::move(*done);
  return StampJpegFile(path, host.State().FMark, host.CurrentStampSettings(), host.Quality());
}

// One pass over the files of a folder whose names end in suffix. False when the run stops.
// output_cleared: whether output has been cleared of an earlier run's temporary files.
bool ConvertFiles(Walk& walk, const std::vector<FolderEntry>& entries, const char* suffix,
                  const std::string& source, const std::string& output, bool& output_cleared) {
  RunHost& host = walk.host;
  bool output_made = false;
  for (const FolderEntry& entry : entries) {
    if (!IsWalkedFile(entry, suffix)) continue;
    if (!GoesOn(host)) return false;
    if (!output_made) {
      // A folder that cannot be made shows up as the first file that cannot be written.
      std::error_code ignored;
      std::filesystem::create_directories(output, ignored);
      output_made = true;
    }
    if (!output_cleared) {
      // An output folder above the source, or a link inside the output folder, can lead the
      // mirrored path back into the source, where a write would replace an original.
      if (IsSameOrBelow(output, walk.root)) {
        throw EFCreateError(JoinPath(output, entry.name), EACCES);
      }
      // A killed earlier run may have left temporary files where this one writes.
      RemoveStaleTemporaryFiles(output);
      output_cleared = true;
    }
    const std::string path = JoinPath(source, entry.name);
    const StampedJpeg stamped = WorkOf(walk, path);
    if (stamped.message.empty()) WriteJpegFile(JoinPath(output, entry.name), stamped.bytes);
    host.FileFinished(path);
    if (!stamped.message.empty() && !host.AskYesNo(stamped.message + kContinueQuestion)) {
      host.State().FStop = 1;
      return false;
    }
  }
  return true;
}

void WalkFolder(Walk& walk, const std::string& source, const std::string& output) {
  RunHost& host = walk.host;
  if (!GoesOn(host)) return;
  host.SetProgressMax(host.ProgressMax() + 1);

  const std::vector<FolderEntry> entries = ListFolder(source);
  for (const FolderEntry& entry : entries) {
    if (!GoesOn(host)) return;
    if (IsWalkedFolder(entry, host.State().FExceptFolders)) {
      WalkFolder(walk, JoinPath(source, entry.name), JoinPath(output, entry.name));
      if (host.State().FStop == 1) return;
    }
  }
  bool output_cleared = false;
  for (const char* suffix : kWalkSuffixes) {
    if (!ConvertFiles(walk, entries, suffix, source, output, output_cleared)) return;
  }
  host.SetProgressPosition(host.ProgressPosition() + 1);
}

}  // namespace

void ConvertFolder(RunHost& host, const std::string& source, const std::string& output) {
  // Leaving, however it happens, throws away the work done ahead and ends the workers.
  Walk walk{host, source, std::nullopt};
  WalkFolder(walk, source, output);
}

}  // namespace quelmar
