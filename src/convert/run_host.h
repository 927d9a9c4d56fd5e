#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "base/edit_field.h"
#include "convert/file_outcome.h"
#include "convert/path_list.h"
#include "convert/run_selection.h"
#include "convert/run_tally.h"
#include "image/shared_logo.h"
#include "image/stamp.h"

namespace quelmar {

// What the listing of a tree found before the run's first file.
struct ListedCounts {
  std::size_t to_convert = 0;  // the files the run will work on
  std::size_t up_to_date = 0;  // the files it will report as skipped
  std::size_t found = 0;       // every JPEG file in the tree, other slices' included
  bool operator==(const ListedCounts&) const = default;
};

// The main window's state that a run reads and writes.
struct RunState {
  SharedLogo FMark;                         // the logo, shared with the run's workers
  std::vector<std::string> FExceptFolders;  // folder names to skip
  std::uint8_t FStop = 1;                   // 1 idle or stop requested, 0 running
  RunTally tally;                           // the files of the last run, counted as it goes
};

// What the conversion needs of the main window. The Qt window implements it, the tests
// implement it with a scripted fake, the command-line converter with a terminal.
class RunHost {
 public:
  virtual ~RunHost() = default;

  virtual RunState& State() = 0;
  virtual std::string EditText(EditField field) const = 0;
  // The stamp parameters and the quality as they are at this moment (a run reads them, with
  // the logo, when it starts the work of a file; work may start a few files ahead of the walk).
  virtual StampSettings CurrentStampSettings() const = 0;
  virtual std::int32_t Quality() const = 0;
  // Every setting besides the logo that can change an output's bytes, as (key, value) pairs named
  // like the settings file's keys, as they are at this moment (read with the logo, the stamp
  // parameters and the quality a file is converted with): what the record of an output holds.
  virtual std::vector<std::pair<std::string, std::string>> OutputSettings() const = 0;
  // Whether outputs keep their source's metadata (EXIF, XMP, IPTC, comment and date), read like
  // the quality; off unless a host says otherwise.
  virtual bool KeepMetadata() const { return false; }

  // The progress of a run counts files: the maximum becomes the number of files the run will
  // reach once it has listed them (before the first file), and the position counts the files
  // done, converted or not.
  virtual std::int32_t ProgressMax() const = 0;
  virtual void SetProgressMax(std::int32_t value) = 0;
  virtual std::int32_t ProgressPosition() const = 0;
  virtual void SetProgressPosition(std::int32_t value) = 0;
  virtual void SetButtonCaption(const std::string& caption) = 0;

  // Lets pending window events run (a click on "キャンセル" sets FStop meanwhile).
  virtual void ProcessEvents() = 0;
  // A plain message box.
  virtual void ShowMessage(const std::string& text) = 0;
  // A warning dialog with Yes and No; true for Yes. It only asks: what the question is about
  // reached the host just before, through FileFinished.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The general error report, for an error that does not end the click: a settings file that
  // cannot be saved after a finished run.
  virtual void ReportError(const std::exception& error) = 0;
  // The message at the end of a run (text: the fixed sentence of a finished or a stopped run),
  // with the run's counts; the message alone unless the host shows more.
  virtual void ShowRunEnd(const std::string& text, const RunTally& /*tally*/) { ShowMessage(text); }
  virtual void Beep() = 0;
  virtual void Focus(EditField field) = 0;
  virtual void SaveSettings() = 0;
  // Called by the walk after each file, converted or not, and for each source folder that
  // could not be read, with what became of it (see FileOutcome); before the question that
  // follows a failure.
  virtual void FileFinished(const FileOutcome& /*outcome*/) {}
  // Called every few tens of milliseconds while the walk waits for a file that a worker thread
  // is still working on (a large photo takes a while): the window lets its events run, so it
  // neither freezes nor misses a click on "キャンセル"; the walk notices a stop at its next
  // check, after this file.
  virtual void WhileWaiting() {}
  // Whether files are stamped in the lossless mode (only the logo's blocks coded again); the
  // outcome of each converted file then says how it went.
  virtual bool Lossless() const { return false; }
  // How many files are read, decoded, stamped and encoded at once on worker threads while the
  // walk writes in its own order; 0 for as many as there are cores.
  virtual int Jobs() const { return 0; }
  // Which files the run converts and whether it writes (read once, when the run starts).
  virtual RunSelection Selection() const { return {}; }
  // The list of source files the run converts instead of walking the source tree; null to walk
  // it. Read from the start once, by the run.
  virtual PathList* FileList() { return nullptr; }
  // Called once the walk has listed the tree, before the first file is reported (see
  // ListedCounts). A run whose tree holds no JPEG file at all is not called; nor is a run
  // over a list of files, which is never held whole.
  virtual void FilesListed(const ListedCounts& /*counts*/) {}
};

}  // namespace quelmar
