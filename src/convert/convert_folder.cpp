#include "convert/convert_folder.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "base/paths.h"
#include "convert/convert_file.h"
#include "convert/folder_inclusion.h"
#include "convert/folder_listing.h"

namespace quelmar {

namespace {

std::string Join(const std::string& parent, const std::string& name) {
  return parent + kPathSeparator + name;
}

// Lets events run and tells whether the run goes on.
bool GoesOn(RunHost& host) {
  host.ProcessEvents();
  return host.State().FStop != 1;
}

// One pass over the files of a folder whose names end in suffix. False when the run stops.
bool ConvertFiles(RunHost& host, const std::vector<FolderEntry>& entries, const std::string& suffix,
                  const std::string& source, const std::string& output) {
  bool output_made = false;
  for (const FolderEntry& entry : entries) {
    if (entry.kind != FolderEntry::Kind::kFile || !HasSuffixIgnoringCase(entry.name, suffix)) {
      continue;
    }
    if (!GoesOn(host)) return false;
    if (!output_made) {
      // A folder that cannot be made shows up as the first file that cannot be written.
      std::error_code ignored;
      std::filesystem::create_directories(output, ignored);
      output_made = true;
    }
    // The logo and the stamp parameters may change between files while events run.
    const std::string path = Join(source, entry.name);
    const std::string message = ConvertFile(path, Join(output, entry.name), host.State().FMark,
                                            host.CurrentStampSettings(), host.Quality());
    host.FileFinished(path);
    if (!message.empty() && !host.AskYesNo(message + kContinueQuestion)) {
      host.State().FStop = 1;
      return false;
    }
  }
  return true;
}

}  // namespace

void ConvertFolder(RunHost& host, const std::string& source, const std::string& output) {
  if (!GoesOn(host)) return;
  host.SetProgressMax(host.ProgressMax() + 1);

  const std::vector<FolderEntry> entries = ListFolder(source);
  for (const FolderEntry& entry : entries) {
    if (!GoesOn(host)) return;
    if (entry.kind == FolderEntry::Kind::kFolder &&
        IsFolderIncluded(entry.name, host.State().FExceptFolders)) {
      ConvertFolder(host, Join(source, entry.name), Join(output, entry.name));
      if (host.State().FStop == 1) return;
    }
  }
  if (!ConvertFiles(host, entries, ".jpg", source, output)) return;
  if (!ConvertFiles(host, entries, ".jpeg", source, output)) return;
  host.SetProgressPosition(host.ProgressPosition() + 1);
}

}  // namespace quelmar
