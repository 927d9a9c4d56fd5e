#include "image/orient/orient_walk.h"
#include "image/orientation.h"

namespace quelmar {

namespace {

// Stored rows run bottom to top in the upright picture (its rows, or its columns when the
// axes swap).
bool RowsReversed(std::uint8_t orientation) {
  return orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7;
}

// Stored columns run right to left in the upright picture.
bool ColumnsReversed(std::uint8_t orientation) {
  return orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
}

// The walk over a band holding stored rows from first on, of a picture stored_h rows high.
SourceWalk WalkFor(const Raster24& band, std::int32_t first, std::int32_t stored_h,
                   std::uint8_t orientation) {
  const auto row = static_cast<std::ptrdiff_t>(band.stride());
  const bool rows_reversed = RowsReversed(orientation);
  const bool columns_reversed = ColumnsReversed(orientation);
  const std::ptrdiff_t row_step = rows_reversed ? -row : row;
  const std::ptrdiff_t column_step = columns_reversed ? -3 : 3;
  // The band offset of the upright picture's pixel (0, 0), as a number: it may lie outside
  // the band, whose rows cover only part of the picture.
  const std::ptrdiff_t origin = (rows_reversed ? stored_h - 1 - first : -first) * row +
                                (columns_reversed ? 3 * std::ptrdiff_t{band.width() - 1} : 0);
  if (OrientationSwapsAxes(orientation)) return {origin, row_step, column_step};
  return {origin, column_step, row_step};
}

}  // namespace

bool OrientationTurns(std::uint8_t orientation) {
  return orientation >= 2 && orientation <= 8;
}

bool OrientationSwapsAxes(std::uint8_t orientation) {
  return orientation >= 5 && orientation <= 8;
}

void PlaceStoredRows(const Raster24& band, std::int32_t first, std::int32_t rows,
                     std::uint8_t orientation, Raster24& upright) {
  if (rows <= 0 || !OrientationTurns(orientation)) return;
  const bool swaps = OrientationSwapsAxes(orientation);
  const std::int32_t stored_h = swaps ? upright.width() : upright.height();
  const SourceWalk walk = WalkFor(band, first, stored_h, orientation);
  const UprightRows out{upright.Row(0), static_cast<std::ptrdiff_t>(upright.stride())};
  // The upright rows (or columns, when the axes swap) that these stored rows become.
  const std::int32_t from = RowsReversed(orientation) ? stored_h - first - rows : first;
  const std::uint8_t* stored = band.Row(0);
  if (!swaps) {
    // Mirrored rows go four pixels at a time, the pixels left over at the right pixel by pixel.
    const UprightRect band_rows{0, upright.width(), from, from + rows};
    const UprightRect runs{0, walk.step_x < 0 ? upright.width() & ~3 : 0, from, from + rows};
    if (runs.x1 == 0 || !CopyMirroredRuns(stored, walk, out, runs)) {
      CopyPixels(stored, walk, out, band_rows);
      return;
    }
    CopyPixels(stored, walk, out, {runs.x1, band_rows.x1, from, from + rows});
    return;
  }
  // The band's rows become a strip of upright columns as high as the picture. Its blocks read
  // the band, which the decoder has just written and the cache still holds, and write four
  // upright rows at a time; the columns left over at the strip's edge go pixel by pixel.
  const UprightRect strip{from, from + rows, 0, upright.height()};
  const UprightRect blocks{from, from + (rows & ~3), 0, upright.height() & ~3};
  if (!CopyTransposedBlocks(stored, walk, out, blocks)) {
    CopyPixels(stored, walk, out, strip);
    return;
  }
  CopyPixels(stored, walk, out, {blocks.x1, strip.x1, 0, strip.y1});
  CopyPixels(stored, walk, out, {from, blocks.x1, blocks.y1, strip.y1});
}

}  // namespace quelmar
