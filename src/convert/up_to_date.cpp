#include "convert/up_to_date.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

namespace quelmar {

std::vector<std::string> FolderNames(const std::string& relative) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t slash = relative.find('/'); slash != std::string::npos;
       slash = relative.find('/', start)) {
    names.push_back(relative.substr(start, slash - start));
    start = slash + 1;
  }
  return names;
}

UpToDateCheck::UpToDateCheck(RecordStore& store, const std::string& output_root,
                             std::string settings)
    : store_(store), output_(output_root, FolderLinks::kFollow), settings_(std::move(settings)) {}

bool UpToDateCheck::IsUpToDate(int source_folder, const std::string& relative,
                               const std::string& name) {
  // The source as reading finds it: a link to a file counts as that file.
  struct stat source {};
  if (::fstatat(source_folder, name.c_str(), &source, 0) != 0 || !S_ISREG(source.st_mode)) {
    return false;
  }
  const int folder = output_.MoveTo(FolderNames(relative));
  if (folder < 0) return false;
  FileStamp output;
  const std::optional<OutputRecord> record = store_.Read(folder, name, relative, output);
  return record && record->source == StampOf(source) && record->output == output &&
         record->settings == settings_ && record->path == PathDigest(relative);
}

}  // namespace quelmar
