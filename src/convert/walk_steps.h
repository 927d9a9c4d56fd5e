#pragma once

// The steps a run takes with each file it reaches, whether it walks a tree or goes through a
// list of files: choosing, reporting, converting ahead on workers, writing with a record. Used
// by the walks of this folder only.

#include <optional>
#include <string>
#include <vector>

#include "convert/conversion_pipeline.h"
#include "convert/output_folders.h"
#include "convert/record_store.h"
#include "convert/run_host.h"
#include "convert/run_tally.h"
#include "convert/settings_digest.h"
#include "convert/up_to_date.h"
#include "convert/walk_order.h"

namespace quelmar {

// What one run carries from file to file.
struct Walk {
  // Reads the host's selection; opens nothing yet.
  Walk(RunHost& run_host, const std::string& source, const std::string& output);

  RunHost& host;
  const std::string root;
  const std::string output_root;
  const RunSelection selection;
  std::string path;                  // the source folder the run is in
  std::vector<std::string> folders;  // the names of the folders below the source down to it
  OutputFolders output;              // the output folder that mirrors it
  RecordStore records;
  LogoDigests logos;
  RunTally counts;
  std::optional<UpToDateCheck> up_to_date;  // made by Chooser for an update
  // The files ahead and their work, once listed; the listing outlives the pipeline.
  const SourceListing* listing = nullptr;
  std::optional<ConversionPipeline> pipeline;
};

// Lets events run and tells whether the run goes on.
bool GoesOn(RunHost& host);

// Counts an outcome, gives it to the host and, after a failure, asks whether to go on. False
// when the run stops (FStop then 1).
bool Report(Walk& walk, const FileOutcome& outcome);

// What a listing does with each file: leaves out the other slices' files and, for an update,
// finds those whose outputs are up to date with the settings the host has now.
FileChooser Chooser(Walk& walk);

// Starts the work ahead on listing's files (the previous pipeline, if any, ends first).
void StartWork(Walk& walk, const SourceListing& listing);

// The file name of the current folder (open at descriptor source_folder), which the listing
// has seen: reported as up to date or planned, or converted into the current output folder and
// reported. cleared: whether that output folder has had an earlier run's temporary files
// removed. False when the run stops. An error of the file's work is thrown, named after it.
bool TakeFile(Walk& walk, int source_folder, const std::string& name, bool& cleared);

// Runs walk_files, then writes the records the index still waits for, also when walk_files
// throws (its error then passes on); a failure to write them is reported to the host, since
// the outputs are in place all the same. Returns the counts of the outcomes.
template <typename WalkFiles>
RunTally FinishingRecords(Walk& walk, WalkFiles walk_files);

// Writes the records the index still waits for, reporting a failure to the host.
void FlushRecords(Walk& walk);

template <typename WalkFiles>
RunTally FinishingRecords(Walk& walk, WalkFiles walk_files) {
  try {
    walk_files();
  } catch (...) {
    FlushRecords(walk);
    throw;
  }
  FlushRecords(walk);
  return walk.counts;
}

}  // namespace quelmar
