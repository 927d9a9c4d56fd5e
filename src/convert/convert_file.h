#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/file_time.h"
#include "convert/file_outcome.h"
#include "image/jpeg_lossless.h"
#include "image/raster24.h"
#include "image/shared_logo.h"
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
  // The source's modification time, for the output, when its metadata is kept.
  std::optional<FileTime> source_time = std::nullopt;
  // With the lossless mode on, how the converted file was stamped (a fallback: by the full path).
  std::optional<LosslessStatus> lossless = std::nullopt;
};

// The text that says why a photo was stamped by the full path in the lossless mode, or that its
// scan was coded again with new Huffman tables; empty for a photo stamped losslessly.
std::string LosslessNoteText(const std::string& source, const LosslessStatus& status);

// What a conversion does besides stamping; both off by default.
struct StampChoices {
  bool lossless = false;       // only the blocks under the logo are coded again
  bool keep_metadata = false;  // the source's EXIF, XMP, IPTC, comment and date are kept
};

// A source file: its name in the folder open at descriptor folder (AT_FDCWD with name a path),
// and the path that messages show.
struct SourceFile {
  int folder;
  std::string name;
  std::string path;
};

// Reads the JPEG source, stamps mark onto it and encodes it at the low byte of quality,
// progressive when the source has more than one scan. A photo whose EXIF orientation turns or
// mirrors it is stamped and written upright; its colour profile is carried over unchanged.
// The logo goes on at the size and margin settings.fitting gives it on the photograph as it is
// seen (SharedLogo::FittedTo). A source that cannot be read gives the message source.path +
// kNotReadSuffix; one without pixels, or too small (upright) for the logo and its margin, or
// for which the logo's scale leaves less than a pixel, gives kSmallerThanLogo. Errors
// after the header was read (damaged compressed data the decoder rejects, no memory) are
// thrown. Touches nothing but its result and the source, so it may run on any thread. Threads
// converting at once share the memory budget (ShareMemoryBudget): when a file's memory does not
// fit beside theirs, it waits and is converted alone. A file whose memory does not fit the
// budget even alone fails with EOutOfResources; one too large to be held at all is a file that
// cannot be read.
// With choices.lossless, only the blocks under the logo are coded again (StampLogoLossless) and
// the quality plays no part, except for a photo that falls back to the full path (a photo
// stored turned or mirrored among them).
// With choices.keep_metadata the output also holds the source's EXIF (orientation 1, the
// output's size, no thumbnail), XMP, IPTC and comment as far as they can be read
// (image/photo_metadata.h), and source_time is the source's modification time; without it the
// output holds no metadata but the colour profile.
StampedJpeg StampJpegFile(const SourceFile& source, const SharedLogo& mark,
                          const StampSettings& settings, std::int32_t quality,
                          StampChoices choices = {});

// StampJpegFile for the source at a path.
StampedJpeg StampJpegFile(const std::string& source, const SharedLogo& mark,
                          const StampSettings& settings, std::int32_t quality,
                          StampChoices choices = {});

// Gives the output file name in the folder open at descriptor folder the source's modification
// time when stamped carries one. A time that cannot be set is left as the write made it: the
// photo is written, and its date is metadata, dropped like metadata that cannot be kept.
void KeepSourceTime(const StampedJpeg& stamped, int folder, const std::string& name);

// Converts source into output (created or replaced): StampJpegFile, then the write (and the
// source's time with choices.keep_metadata). Returns the message text, empty when the file was
// converted; errors of the write are thrown.
std::string ConvertFile(const std::string& source, const std::string& output,
                        const SharedLogo& mark, const StampSettings& settings, std::int32_t quality,
                        StampChoices choices = {});

}  // namespace quelmar
