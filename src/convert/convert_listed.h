#pragma once

#include <string>

#include "convert/path_list.h"
#include "convert/run_host.h"
#include "convert/run_tally.h"

namespace quelmar {

// Converts the files list names (paths below source, read one entry at a time, never the whole
// list at once) into the same relative paths below output, as ConvertFolder converts them: in
// the list's order, each file once however often it is listed, with the host's selection
// (slice, update, dry run), its exclusions and its workers. A listed path that names no file
// the run may convert (see ListedFiles::Add) is reported as a file that could not be converted;
// a file in an excluded folder or another slice is left out. The host's events run before each
// file; a stop ends the run there. Returns the counts of the outcomes reported.
RunTally ConvertListed(RunHost& host, const std::string& source, const std::string& output,
                       PathList& list);

}  // namespace quelmar
