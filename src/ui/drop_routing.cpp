#include "ui/drop_routing.h"

#include "base/paths.h"
#include "convert/walk_order.h"
#include "image/logo_formats.h"

namespace quelmar {

DropUse UseOfDrop(const std::string& path, DropSite site) {
  if (FolderExists(path)) {
    if (site == DropSite::kOutputField) return DropUse::kOutput;
    if (site == DropSite::kSourceField || site == DropSite::kWindow) return DropUse::kSource;
    return DropUse::kNone;
  }
  if (!FileExists(path)) return DropUse::kNone;
  if (HasLogoExtension(path) && (site == DropSite::kLogoField || site == DropSite::kWindow)) {
    return DropUse::kLogo;
  }
  if (HasWalkSuffix(path) && site == DropSite::kWindow) return DropUse::kSample;
  return DropUse::kNone;
}

}  // namespace quelmar
