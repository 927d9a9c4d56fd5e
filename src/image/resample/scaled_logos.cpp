#include "image/scaled_logos.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "image/logo_resample.h"

namespace quelmar {

ScaledLogos::ScaledLogos(std::shared_ptr<const LogoImage> logo, std::size_t capacity)
    : logo_(std::move(logo)), capacity_(std::max<std::size_t>(capacity, 1)) {}

std::shared_ptr<const LogoImage> ScaledLogos::At(std::int32_t w, std::int32_t h) const {
  // The logo at its own size is used as it is, so that with scaling off nothing changes.
  if (w == logo_->width() && h == logo_->height()) return logo_;
  std::promise<std::shared_ptr<const LogoImage>> promise;
  bool make = false;
  const Copy copy = Find(w, h, promise, make);
  if (make) {
    // Resampled outside the lock: other sizes go on meanwhile.
    try {
      promise.set_value(std::make_shared<const LogoImage>(ResampleLogo(*logo_, w, h)));
    } catch (...) {
      Forget(w, h);
      promise.set_exception(std::current_exception());
    }
  }
  return copy.get();
}

ScaledLogos::Copy ScaledLogos::Find(std::int32_t w, std::int32_t h,
                                    std::promise<std::shared_ptr<const LogoImage>>& promise,
                                    bool& make) const {
  const std::lock_guard lock(mutex_);
  ++uses_;
  for (Entry& entry : entries_) {
    if (entry.w == w && entry.h == h) {
      entry.last_use = uses_;
      return entry.copy;
    }
  }
  make = true;
  Entry entry{w, h, promise.get_future().share(), uses_};
  if (entries_.size() < capacity_) {
    entries_.push_back(entry);
  } else {
    // Callers still holding the dropped copy keep it alive until they are done.
    *std::min_element(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
      return a.last_use < b.last_use;
    }) = entry;
  }
  return entry.copy;
}

void ScaledLogos::Forget(std::int32_t w, std::int32_t h) const {
  const std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.w == w && e.h == h; });
}

}  // namespace quelmar
