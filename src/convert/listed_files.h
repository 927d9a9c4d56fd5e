#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/folder_cursor.h"
#include "convert/file_outcome.h"
#include "convert/path_list.h"
#include "convert/walk_order.h"

namespace quelmar {

// The texts of a listed path that names no file the run may convert, after the path.
inline constexpr const char* kOutsideSourceSuffix = " は元画像ディレクトリの外を指しています";
inline constexpr const char* kNotJpegNameSuffix = " は変換する JPEG ファイルの名前ではありません";

// A path as a list names it, below the source folder.
struct ListedPath {
  std::string text;                  // as listed
  std::vector<std::string> folders;  // the folders down to the file, without "." and empty names
  std::string name;                  // the file's name
  std::string refusal;               // why it names no file below the source; empty when it may
  // The path below the source, names joined by "/" (as the walk's relative paths are).
  std::string relative() const { return RelativePath(folders, name); }
};

// Reads a listed path: names separated by "/", where empty names and "." are passed over. An
// absolute path or one with ".." anywhere is refused as outside the source, as are a path that
// names no file (empty, ".") or holds a NUL byte and an entry cut for its length as no JPEG name.
// Any other bytes are names as they are: a name that is not UTF-8 is a name like any other.
ListedPath ReadListedPath(const ListEntry& entry);

// The files of a list, named one by one below a source folder, with the folders they lie in: a
// listing that a run's workers read like a walk's. Each folder on the way is entered by name
// from the one above, never through a link, so a listed path cannot lead out of the source.
class ListedFiles : public SourceListing {
 public:
  enum class Addition { kListed, kLeftOut, kRefused };

  ListedFiles(const std::string& source, std::vector<std::string> except_folders,
              FileChooser chooser);

  // Lists the file path names: kListed when the chooser took it (to work on, or up to date);
  // kLeftOut when it lies in an excluded folder or the chooser left it out; kRefused with
  // failure set when it names no file the run may convert: outside the source (see
  // ReadListedPath, a linked folder on the way, a link to a file outside the source or to
  // another link), a hidden name or one that is not "*.jpg" or "*.jpeg", something that is no
  // regular file, or nothing at all (failure then a file that cannot be read, with the
  // system's reason).
  Addition Add(const ListedPath& path, FileOutcome& failure);

  // The descriptor of the source folder reached by folders below the source, or -1 (the
  // system's error then in cursor_error()); valid until the next call of Add or Reach.
  int Reach(const std::vector<std::string>& folders) { return cursor_.MoveTo(folders); }
  int cursor_error() const { return cursor_.error(); }

 private:
  // The index of the folder name below the folder of index parent, entered at descriptor fd.
  std::size_t FolderIndex(std::size_t parent, const std::string& name, int fd);
  // True when the link name in the folder open at folder leads to a regular file below the
  // source folder.
  bool LinkStaysInside(int folder, const std::string& name) const;

  const std::string source_;
  const std::vector<std::string> except_folders_;
  FolderCursor cursor_;
  std::map<std::pair<std::size_t, std::string>, std::size_t> children_;
};

}  // namespace quelmar
