#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/file_outcome.h"
#include "image/jpeg_lossless.h"
#include "image/raster24.h"
#include "image/stamp.h"

namespace quelmar {

// The message texts of a file that cannot be converted.
inline constexpr const char* kNotReadSuffix = " が読み込めませんでした";
inline constexpr const char* kSmallerThanLogo = "ロゴ画像より小さい画像です";

// The work of converting one file, apart from writing it: either the encoded JPEG stream or,
// for a file that cannot be converted, the message text.
struct StampedJpeg {
  std::string message;              // empty when bytes holds the converted file
  std::vector<std::uint8_t> bytes;  // the output file's contents
  FileOutcome::Result result = FileOutcome::Result::kConverted;
  std::string reason;          // why the source could not be read, in the reader's words
  std::uint64_t bytes_in = 0;  // the size of the source as read
  double milliseconds = 0;     // the time the work took
  // With the lossless mode on, how the converted file was stamped (a fallback: by the full path).
  std::optional<LosslessStatus> lossless = std::nullopt;
};

// The text that says why a photo was stamped by the full path in the lossless mode, or that its
// scan was coded again with new Huffman tables; empty for a photo stamped losslessly.
std::string LosslessNoteText(const std::string& source, const LosslessStatus& status);

// A source file: its name in the folder open at descriptor folder (AT_FDCWD with name a path),
// and the path that messages show.
struct SourceFile {
  int folder;
  std::string name;
  std::string path;
};

// Reads the JPEG source, stamps mark onto it and encodes it at the low byte of quality,
// progressive when the source has more than one scan. A source that cannot be read gives the
// message source.path + kNotReadSuffix; one lower or narrower than mark, or without pixels,
// gives kSmallerThanLogo. Errors after the header was read (damaged compressed data the decoder
// rejects, no memory) are thrown. Touches nothing but its result and the source, so it may run
// on any thread. Threads converting at once share the memory budget (ShareMemoryBudget): when a
// file's memory does not fit beside theirs, it waits and is converted alone. A file whose memory
// does not fit the budget even alone fails with EOutOfResources; one too large to be held at all
// is a file that cannot be read.
// With lossless set, only the blocks under the logo are coded again (StampLogoLossless) and the
// quality plays no part, except for a photo that falls back to the full path.
StampedJpeg StampJpegFile(const SourceFile& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality,
                          bool lossless = false);

// StampJpegFile for the source at a path.
StampedJpeg StampJpegFile(const std::string& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality,
                          bool lossless = false);

// Converts source into output (created or replaced): StampJpegFile, then the write. Returns the
// message text, empty when the file was converted; errors of the write are thrown.
std::string ConvertFile(const std::string& source, const std::string& output, const Raster24& mark,
                        const StampSettings& settings, std::int32_t quality);

}  // namespace quelmar
