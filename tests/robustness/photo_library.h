#pragma once

// A photo library as the scale-out tests run quelmar-cli over it: nested folders of photos
// (names in Japanese, with blanks, and one that is not UTF-8), a logo and a settings file, and
// what one plain run writes from them.

#include <map>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar::fixtures {

class PhotoLibrary {
 public:
  // count photos in a few folders; on a file system of the test's temporary folder unless
  // another output folder is given to the runs.
  explicit PhotoLibrary(int count);

  const std::string& root() const { return temp_.path(); }
  const std::string& source() const { return source_; }
  const std::string& settings() const { return settings_; }
  // Every photo's path below the source.
  const std::vector<std::string>& photos() const { return photos_; }

  // quelmar-cli's arguments for a run into output, before any extra ones.
  std::vector<std::string> Arguments(const std::string& output) const;

  // What one plain run writes, made once: every entry by its path (see TreeSnapshot).
  const std::map<std::string, std::string>& Reference();

  // The entries below output, without the record index and its lock.
  static std::map<std::string, std::string> Outputs(const std::string& output);

  // Runs bash -c script in the library's folder with variables set (on top of this process's
  // environment, with quelmar-cli of this build first on PATH); its standard output and error
  // go to log. Returns its exit status, or 128 + a signal.
  int RunShell(const std::string& script, const std::map<std::string, std::string>& variables,
               const std::string& log) const;

 private:
  TempFolder temp_;
  std::string source_;
  std::string settings_;
  std::vector<std::string> photos_;
  std::map<std::string, std::string> reference_;
};

// The text between "<!-- test: name -->" and the next "<!-- end -->" of the scale-out notes,
// without the code fence: the recipe as the notes give it. Empty when there is none.
std::string RecipeOf(const std::string& name);

// The lines of a file.
std::vector<std::string> Lines(const std::string& path);

}  // namespace quelmar::fixtures
