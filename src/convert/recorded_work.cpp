#include "convert/recorded_work.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

namespace quelmar {

namespace {

std::optional<FileStamp> SourceStamp(const SourceFile& source) {
  struct stat status {};
  if (::fstatat(source.folder, source.name.c_str(), &status, 0) != 0) return std::nullopt;
  return StampOf(status);
}

}  // namespace

RecordedWork StampRecordedFile(const SourceFile& source, const SharedLogo& mark,
                               const StampSettings& settings, std::int32_t quality,
                               const StampChoices& choices, std::string digest) {
  const std::optional<FileStamp> before = SourceStamp(source);
  RecordedWork work{StampJpegFile(source, mark, settings, quality, choices), std::nullopt,
                    std::move(digest)};
  if (before && before == SourceStamp(source)) work.source = before;
  return work;
}

}  // namespace quelmar
