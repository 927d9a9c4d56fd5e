#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "image/jpeg_lossless.h"

namespace quelmar {

// What became of one file of a run, or of a source folder that could not be read, which is
// reported like a file that could not be. The walk gives one to its host for every file it
// reaches, in walk order, before it asks whether to go on after a failure; an error that ends
// the run is thrown instead (named after its file).
struct FileOutcome {
  enum class Result {
    kConverted,
    kNotRead,          // the source could not be read as a JPEG
    kSmallerThanLogo,  // lower or narrower than the logo, or without pixels
    kFolderNotRead,    // a source folder that could not be opened or listed
    kSkipped,          // its output is still what this source and these settings make
    kPlanned,          // would be converted; a dry run writes nothing
    kRefused,          // a listed path that names no file the run may convert
  };

  Result result = Result::kConverted;
  std::string source;    // the source file's or folder's path, as the walk joined it
  std::string relative;  // its path below the source folder, names joined by "/"
  std::string output;    // the output file's or folder's path (written only when converted)
  std::string message;   // the text the question after a failure shows; empty when converted
  // The system's or the decoder's own words for a failure, or the sizes of a photo smaller
  // than the logo.
  std::string reason;
  std::uint64_t bytes_in = 0;   // the source file's size, when it was read
  std::uint64_t bytes_out = 0;  // the output file's size
  double milliseconds = 0;      // reading, decoding, stamping, encoding and writing
  // With the lossless mode on, how a converted file was stamped (a fallback: by the full path).
  std::optional<LosslessStatus> lossless = std::nullopt;

  bool converted() const { return result == Result::kConverted; }
  // True for a file that could not be converted (or a folder that could not be read): what the
  // question after a failure is about.
  bool failed() const {
    return result != Result::kConverted && result != Result::kSkipped && result != Result::kPlanned;
  }
};

// What the question after a failure adds below its sentence: the file's (or folder's) path
// and, when there is one, the reason, each on a line of its own.
std::string DetailsOf(const FileOutcome& outcome);

}  // namespace quelmar
