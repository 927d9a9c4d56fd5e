#pragma once

#include <cstddef>
#include <cstdint>

namespace quelmar {

// Where the upright picture's pixel (x, y) lies among a raster's stored pixels: at
// origin + x * step_x + y * step_y bytes from the stored top-left pixel.
struct SourceWalk {
  std::ptrdiff_t origin = 0;
  std::ptrdiff_t step_x = 0;
  std::ptrdiff_t step_y = 0;
};

// A rectangle of the upright picture: columns x0 .. x1 - 1, rows y0 .. y1 - 1.
struct UprightRect {
  std::int32_t x0 = 0;
  std::int32_t x1 = 0;
  std::int32_t y0 = 0;
  std::int32_t y1 = 0;
};

// The upright picture's rows, written by the kernels below.
struct UprightRows {
  std::uint8_t* first = nullptr;  // row 0
  std::ptrdiff_t stride = 0;
};

// Copies rect pixel by pixel; any orientation, any rectangle.
void CopyPixels(const std::uint8_t* stored, const SourceWalk& walk, UprightRows upright,
                UprightRect rect);

// Copies rect, whose width and height are multiples of 4, in blocks of 4 x 4 pixels for an
// orientation that swaps the axes (step_x a whole stored row, step_y one pixel). Returns false,
// copying nothing, where the processor lacks the byte shuffles the blocks need.
bool CopyTransposedBlocks(const std::uint8_t* stored, const SourceWalk& walk, UprightRows upright,
                          UprightRect rect);

// Copies rect, whose width is a multiple of 4, four pixels at a time for an orientation that
// mirrors the stored rows (step_x one pixel leftward). Returns false, copying nothing, where the
// processor lacks the byte shuffle.
bool CopyMirroredRuns(const std::uint8_t* stored, const SourceWalk& walk, UprightRows upright,
                      UprightRect rect);

}  // namespace quelmar
