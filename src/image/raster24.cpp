#include "image/raster24.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "base/errors.h"

namespace quelmar {

namespace {

// From the size of one huge page on, pixel storage is mapped directly, in huge pages where the
// system has them: a resampled logo of a few megabytes then costs a few faults, not a thousand.
constexpr std::size_t kMappedSize = std::size_t{2} << 20;

}  // namespace

std::size_t Raster24::StrideFor(std::int32_t w) {
  // The smallest multiple of 4 not below 3 * width, computed without overflow.
  return ((static_cast<std::size_t>(w) * 24 + 31) / 32) * 4;
}

void PixelFree::operator()(std::uint8_t* pixels) const {
  if (mapped != 0) {
    ::munmap(pixels, mapped);
  } else {
    delete[] pixels;
  }
}

Raster24::Pixels Raster24::Allocate(std::size_t stride, std::int32_t h,
                                    MemoryReservation& reservation) {
  if (stride == 0 || h <= 0) return nullptr;
  if (static_cast<std::size_t>(h) > std::numeric_limits<std::size_t>::max() / stride) {
    throw EOutOfResources(ENOMEM);
  }
  // An allocation beyond the memory the process may use would only succeed lazily and end in
  // the system killing the process, so the budget refuses such sizes as storage that cannot be
  // had, also when several rasters are made at once.
  const std::size_t bytes = stride * static_cast<std::size_t>(h);
  MemoryReservation reserved(bytes);
  Pixels pixels;
  if (bytes >= kMappedSize) {
    // A photograph's raster is written once from end to end; in huge pages that costs a few
    // hundred page faults instead of tens of thousands, which otherwise rival the decoding.
    void* mapping =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw EOutOfResources(ENOMEM);
    ::madvise(mapping, bytes, MADV_HUGEPAGE);
    pixels = Pixels(static_cast<std::uint8_t*>(mapping), PixelFree{bytes});
  } else {
    pixels = Pixels(new (std::nothrow) std::uint8_t[bytes]);
    if (!pixels) throw EOutOfResources(ENOMEM);
  }
  reservation = std::move(reserved);
  return pixels;
}

void Raster24::GiveBackRowsAbove(std::int32_t row) {
  const std::size_t mapped = pixels_.get_deleter().mapped;
  if (mapped == 0 || row <= 0) return;
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t rows = static_cast<std::size_t>(std::min(row, height_));
  const std::size_t end = std::min(rows * stride_, mapped) / page * page;
  // Pages already given back cost nothing to give back again; a failure leaves them held.
  if (end > 0) ::madvise(pixels_.get(), end, MADV_DONTNEED);
}

Raster24::Raster24(const Raster24& other)
    : width_(other.width_), height_(other.height_), stride_(other.stride_) {
  pixels_ = Allocate(stride_, height_, reservation_);
  if (pixels_) std::memcpy(pixels_.get(), other.pixels_.get(), stride_ * height_);
}

Raster24& Raster24::operator=(const Raster24& other) {
  if (this != &other) {
    Raster24 copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Raster24::Raster24(Raster24&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      reservation_(std::move(other.reservation_)),
      pixels_(std::move(other.pixels_)) {}

Raster24& Raster24::operator=(Raster24&& other) noexcept {
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  stride_ = std::exchange(other.stride_, 0);
  pixels_ = std::move(other.pixels_);
  reservation_ = std::move(other.reservation_);
  return *this;
}

Raster24 Raster24::Uninitialized(std::int32_t w, std::int32_t h) {
  Raster24 raster;
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == 0 || h == 0) w = h = 0;
  raster.stride_ = StrideFor(w);
  raster.pixels_ = Allocate(raster.stride_, h, raster.reservation_);
  raster.width_ = w;
  raster.height_ = h;
  return raster;
}

std::uint8_t* Raster24::Row(std::int32_t r) {
  if (r < 0 || r >= height_ || !pixels_) throw EInvalidOperation();
  return pixels_.get() + static_cast<std::size_t>(r) * stride_;
}

const std::uint8_t* Raster24::Row(std::int32_t r) const {
  if (r < 0 || r >= height_ || !pixels_) throw EInvalidOperation();
  return pixels_.get() + static_cast<std::size_t>(r) * stride_;
}

void Raster24::SetSize(std::int32_t w, std::int32_t h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == 0 || h == 0) {
    // No pixels; the size is kept as given, and no row is valid unless both are positive.
    pixels_.reset();
    reservation_.Release();
    width_ = w;
    height_ = h;
    stride_ = StrideFor(w);
    return;
  }
  if (w == width_ && h == height_) return;

  Raster24 resized = Uninitialized(w, h);
  const std::int32_t keep_rows = std::min(h, height_);
  const std::size_t keep_bytes = 3 * static_cast<std::size_t>(std::min(w, width_));
  for (std::int32_t r = 0; r < h; ++r) {
    std::uint8_t* row = resized.pixels_.get() + static_cast<std::size_t>(r) * resized.stride_;
    std::size_t kept = 0;
    if (r < keep_rows && pixels_) {
      kept = keep_bytes;
      std::memcpy(row, pixels_.get() + static_cast<std::size_t>(r) * stride_, kept);
    }
    std::memset(row + kept, 255, resized.stride_ - kept);
  }
  *this = std::move(resized);
}

bool operator==(const Raster24& a, const Raster24& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_) return false;
  const std::size_t bytes = 3 * static_cast<std::size_t>(a.width_);
  for (std::int32_t y = 0; y < a.height_; ++y) {
    if (std::memcmp(a.Row(y), b.Row(y), bytes) != 0) return false;
  }
  return true;
}

}  // namespace quelmar
