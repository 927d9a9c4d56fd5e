#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/memory_budget.h"

namespace quelmar {

// Frees a raster's pixel storage the way it was obtained.
struct PixelFree {
  std::size_t mapped = 0;  // the length of a mapping, 0 for storage from new[]
  void operator()(std::uint8_t* pixels) const;
};

// A 24-bit image: width x height pixels of three bytes each, in the order blue, green, red.
// Rows are reached only through Row, by their index from the top. A Raster24 is a value:
// a copy is independent of its original, and a move is cheap.
class Raster24 {
 public:
  Raster24() = default;
  Raster24(const Raster24& other);
  Raster24& operator=(const Raster24& other);
  Raster24(Raster24&& other) noexcept;
  Raster24& operator=(Raster24&& other) noexcept;
  ~Raster24() = default;

  // A raster of w x h pixels whose pixel bytes are not initialised; for producers that
  // write every pixel themselves (the decoder). Fails with EOutOfResources, also when the
  // pixels would exceed the process-wide memory budget (base/memory_budget.h).
  static Raster24 Uninitialized(std::int32_t w, std::int32_t h);

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }

  // The 3 * width bytes of row r. Fails with EInvalidOperation when r is outside
  // 0 .. height - 1 (an empty raster has no valid row).
  std::uint8_t* Row(std::int32_t r);
  const std::uint8_t* Row(std::int32_t r) const;

  // Gives the raster w x h pixels. Pixels inside both the old and the new size keep their
  // values, counted from the top-left corner; every other pixel becomes white. Negative sizes
  // count as 0. Fails with EOutOfResources, leaving the raster as it was.
  void SetSize(std::int32_t w, std::int32_t h);

  // For a raster read once from the top and then dropped (the encoder's input): gives the
  // storage of the rows above row back to the system, in whole pages, so a picture is not held
  // twice while another form of it is built. Those rows read as zeros, or as they were, from
  // then on. Does nothing for a small raster, whose storage is not mapped on its own.
  void GiveBackRowsAbove(std::int32_t row);

  // Bytes from one row's start to the next; rows hold 3 * width bytes rounded up to 4.
  std::size_t stride() const { return stride_; }

  // True when both have the same size and the same pixels; the padding after each row's
  // pixels is not compared.
  friend bool operator==(const Raster24& a, const Raster24& b);

 private:
  static std::size_t StrideFor(std::int32_t w);
  using Pixels = std::unique_ptr<std::uint8_t[], PixelFree>;
  // Reserves the pixels' storage in the memory budget, then allocates it.
  static Pixels Allocate(std::size_t stride, std::int32_t h, MemoryReservation& reservation);

  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::size_t stride_ = 0;
  // Declared before the pixels so that the storage is freed before its reservation.
  MemoryReservation reservation_;
  Pixels pixels_;
};

}  // namespace quelmar
