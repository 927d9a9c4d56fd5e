#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/jpeg/jpeg_huffman.h"
#include "image/jpeg/jpeg_layout.h"

namespace quelmar {

// A rectangle of MCUs: columns x0 .. x1 - 1, rows y0 .. y1 - 1.
struct McuRect {
  std::uint32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
  bool Contains(std::uint32_t x, std::uint32_t y) const {
    return x >= x0 && x < x1 && y >= y0 && y < y1;
  }
  std::uint64_t count() const { return empty() ? 0 : std::uint64_t{x1 - x0} * (y1 - y0); }
};

// The coefficient blocks of some MCUs of a picture, by MCU number (row * mcus_across + column).
// An MCU's blocks are in frame component order, each component's h x v blocks row by row.
class JpegMcuStore {
 public:
  JpegMcuStore(const JpegLayout& layout);

  // The blocks of mcu, created zeroed when absent (nullptr for an mcu outside the picture); valid
  // until the next Add. Throws std::bad_alloc when memory runs out.
  JpegBlock* Add(std::uint32_t mcu);
  // The blocks of mcu, or nullptr when absent (or mcu is outside the picture).
  const JpegBlock* Find(std::uint32_t mcu) const;

  // Where component c's blocks begin inside an MCU.
  int offset(int component) const { return offsets_[static_cast<std::size_t>(component)]; }
  int blocks_per_mcu() const { return per_mcu_; }

 private:
  std::vector<std::int32_t> slots_;
  std::vector<JpegBlock> blocks_;
  std::vector<int> offsets_;
  int per_mcu_ = 1;
};

// A component's sampling factors as its blocks sit in an MCU: a lone component's MCU is one
// block whatever its factors say.
inline int McuSamplingH(const JpegLayout& layout, int c) {
  return layout.interleaved() ? layout.components[static_cast<std::size_t>(c)].h : 1;
}
inline int McuSamplingV(const JpegLayout& layout, int c) {
  return layout.interleaved() ? layout.components[static_cast<std::size_t>(c)].v : 1;
}

// Calls each(mcu, index in the MCU, component, block row, block column) for every block of the
// MCUs of rect, MCU row by MCU row; block rows and columns count in the component's block grid
// of the whole picture (dummy blocks past its edge included).
template <class Each>
void ForEachMcuBlock(const JpegLayout& layout, McuRect rect, const JpegMcuStore& store,
                     Each&& each) {
  const std::uint32_t across = layout.mcus_across();
  const int components = static_cast<int>(layout.components.size());
  for (std::uint32_t y = rect.y0; y < rect.y1; ++y) {
    for (std::uint32_t x = rect.x0; x < rect.x1; ++x) {
      for (int c = 0; c < components; ++c) {
        const auto h = static_cast<std::uint32_t>(McuSamplingH(layout, c));
        const auto v = static_cast<std::uint32_t>(McuSamplingV(layout, c));
        for (std::uint32_t j = 0; j < v; ++j) {
          for (std::uint32_t i = 0; i < h; ++i) {
            each(y * across + x, store.offset(c) + static_cast<int>(j * h + i), c, y * v + j,
                 x * h + i);
          }
        }
      }
    }
  }
}

}  // namespace quelmar
