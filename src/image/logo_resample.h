#pragma once

#include <cstdint>

#include "image/logo_image.h"

namespace quelmar {

// The logo brought to w x h pixels, always as a logo with an alpha plane. Shrinking averages
// over each new pixel's area, growing interpolates with a cubic filter; both work on colours
// premultiplied by their alpha, so that the colour of clear pixels never bleeds into the edge.
// A logo without an alpha plane is resampled by its coverage: its top-left colour counts as
// alpha 0 and every other pixel as alpha 255, so an edge becomes partly transparent instead of
// mixing in the transparent colour.
//
// Fails with EInvalidOperation for an empty logo or a size below 1 x 1 or above kMaxLogoSide,
// and with EOutOfResources when the new logo and the working rows would exceed the memory
// budget.
LogoImage ResampleLogo(const LogoImage& logo, std::int32_t w, std::int32_t h);

}  // namespace quelmar
