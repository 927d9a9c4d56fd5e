#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "base/edit_field.h"
#include "convert/file_outcome.h"
#include "image/shared_logo.h"
#include "image/stamp.h"

namespace quelmar {

// The main window's state that a run reads and writes.
struct RunState {
  SharedLogo FMark;                         // the logo, shared with the run's workers
  std::vector<std::string> FExceptFolders;  // folder names to skip
  std::uint8_t FStop = 1;                   // 1 idle or stop requested, 0 running
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
  // Whether outputs keep their source's metadata (EXIF, XMP, IPTC, comment and date), read like
  // the quality; off unless a host says otherwise.
  virtual bool KeepMetadata() const { return false; }

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
  virtual void Beep() = 0;
  virtual void Focus(EditField field) = 0;
  virtual void SaveSettings() = 0;
  // Called by the walk after each file, converted or not, and for each source folder that
  // could not be read, with what became of it (see FileOutcome); before the question that
  // follows a failure.
  virtual void FileFinished(const FileOutcome& /*outcome*/) {}
  // Whether files are stamped in the lossless mode (only the logo's blocks coded again); the
  // outcome of each converted file then says how it went.
  virtual bool Lossless() const { return false; }
  // How many files are read, decoded, stamped and encoded at once on worker threads while the
  // walk writes in its own order; 0 for as many as there are cores.
  virtual int Jobs() const { return 0; }
};

}  // namespace quelmar
