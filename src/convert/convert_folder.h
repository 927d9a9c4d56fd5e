#pragma once

#include <string>

#include "convert/run_host.h"
#include "convert/run_tally.h"

namespace quelmar {

// The text of the question after a file that could not be converted, after its message.
inline constexpr const char* kContinueQuestion = " 作業を続けますか？";

// Converts every "*.jpg" and then every "*.jpeg" file (any letter case) below source into the
// same relative path below output, sub-folders first, skipping the folders named in
// FExceptFolders. Lets the host's events run at each folder's entry, before each entry of the
// sub-folder listing and before each file, and returns as soon as FStop is 1 there. Sets the
// progress maximum to the number of files once it has listed them and counts 1 onto the
// position for each file, converted or not, and onto the host's tally. A file that cannot be
// converted is reported with a Yes/No question; No sets FStop.
//
// The files ahead of the walk are read, decoded, stamped and encoded on host.Jobs() worker
// threads, each with the logo, stamp parameters and quality the host has when its work starts
// (on this thread, when the walk takes a file: the files up to two per worker ahead start
// then). Files are written here, in walk order; the question about a file comes when the walk
// reaches it; an error of a file's work is thrown when the walk reaches that file; after a
// stop, a No or an error the work done ahead is thrown away. Before the first file written
// into an output folder, the temporary files a killed earlier run left there are removed.
//
// The host's Selection decides which files are the run's: a shard leaves the other slices'
// files out (not reported); an update reports files whose outputs are up to date as skipped
// and records on every output it writes what it was made from; a dry run reports the files it
// would convert as planned and writes nothing, not even a folder. Returns the counts of the
// outcomes reported.
RunTally ConvertFolder(RunHost& host, const std::string& source, const std::string& output);

}  // namespace quelmar
