#pragma once

#include <cstdint>

#include "image/raster24.h"

namespace quelmar {

// EXIF orientation codes: how a photo's stored rows and columns lie in the upright picture.
// 1 upright, 2 mirrored left to right, 3 turned half round, 4 mirrored top to bottom,
// 5 mirrored along the main diagonal, 6 to be turned a quarter clockwise, 7 mirrored along the
// other diagonal, 8 to be turned a quarter anticlockwise.
inline constexpr std::uint8_t kOrientationUpright = 1;

// Whether orientation is one of the codes 2..8 that change the picture.
bool OrientationTurns(std::uint8_t orientation);

// Whether the upright picture of a photo stored with orientation has its width and height
// swapped (codes 5 to 8).
bool OrientationSwapsAxes(std::uint8_t orientation);

// Writes stored rows first .. first + rows - 1 of a photo with orientation (2..8) to where they
// belong in upright, which has the upright picture's size; band holds them in its rows
// 0 .. rows - 1 and has the stored width. Done band by band as the rows are decoded, the turn
// is one pass over the pixels into the raster the decoder fills anyway, cache-blocked in
// 4 x 4 pixels where the axes swap. The caller guarantees the sizes; nothing is checked.
void PlaceStoredRows(const Raster24& band, std::int32_t first, std::int32_t rows,
                     std::uint8_t orientation, Raster24& upright);

}  // namespace quelmar
