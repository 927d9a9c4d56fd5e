#pragma once

#include <string>

namespace quelmar {

// Where on the main window a file or folder was dropped. A path given on the command line
// counts as dropped on the window.
enum class DropSite {
  kWindow,          // anywhere but the edit fields: the preview, a label, the window itself
  kLogoField,       // Edit1
  kSourceField,     // Edit2
  kOutputField,     // Edit3
  kExclusionField,  // Edit4
};

// What a dropped path becomes.
enum class DropUse { kNone, kLogo, kSource, kOutput, kSample };

// The use of path dropped on site: a folder is the output folder on the output field and the
// source folder on the source field or the window; a file in one of the logo formats is the
// logo on the logo field or the window; a JPEG (by its suffix) is the preview's sample on the
// window. Anything else, a path that names nothing, and any drop on the exclusion field are not
// taken.
DropUse UseOfDrop(const std::string& path, DropSite site);

}  // namespace quelmar
