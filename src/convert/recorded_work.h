#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "convert/convert_file.h"
#include "convert/output_record.h"
#include "image/raster24.h"
#include "image/stamp.h"

namespace quelmar {

// The work of converting one file with what a record of its output needs.
struct RecordedWork {
  StampedJpeg stamped;
  // The source's size and time, when they were the same before and after it was read; a source
  // that changed meanwhile has none, and its output is never recorded as made from it.
  std::optional<FileStamp> source;
  std::string settings;  // the ConversionDigest of the logo and settings it was made with
};

// StampJpegFile, with the source's stamp taken before and after (following a link as reading
// does) and digest, the ConversionDigest of what it is made with, kept with it. Errors as
// StampJpegFile's.
RecordedWork StampRecordedFile(const SourceFile& source, const SharedLogo& mark,
                               const StampSettings& settings, std::int32_t quality,
                               const StampChoices& choices, std::string digest);

}  // namespace quelmar
