#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "image/logo_image.h"

namespace quelmar {

// One logo at the sizes the photographs of a run ask for. Each size is resampled once and shared
// by every thread that asks for it, so a folder of same-size photographs resamples once; the
// copies of the few sizes asked for last are kept.
class ScaledLogos {
 public:
  // logo must not be null.
  explicit ScaledLogos(std::shared_ptr<const LogoImage> logo, std::size_t capacity = 4);

  // The logo at w x h: the logo itself when it already has that size, otherwise its resampled
  // copy (ResampleLogo). The first caller for a size makes the copy while later callers for the
  // same size wait for it; callers for other sizes do not wait. An error of ResampleLogo reaches
  // every caller that waited for that copy, and the size is tried afresh at the next call.
  // The cache is kept behind the lock, so a const ScaledLogos may be shared between threads.
  std::shared_ptr<const LogoImage> At(std::int32_t w, std::int32_t h) const;

  const LogoImage& logo() const { return *logo_; }

 private:
  using Copy = std::shared_future<std::shared_ptr<const LogoImage>>;
  struct Entry {
    std::int32_t w;
    std::int32_t h;
    Copy copy;
    std::uint64_t last_use;
  };

  // The entry for w x h, or a new one (replacing the least recently used) whose copy the caller
  // must then make and hand to promise.
  Copy Find(std::int32_t w, std::int32_t h, std::promise<std::shared_ptr<const LogoImage>>& promise,
            bool& make) const;
  void Forget(std::int32_t w, std::int32_t h) const;

  std::shared_ptr<const LogoImage> logo_;
  std::size_t capacity_;
  mutable std::mutex mutex_;
  mutable std::vector<Entry> entries_;
  mutable std::uint64_t uses_ = 0;
};

}  // namespace quelmar
