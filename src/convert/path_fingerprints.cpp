#include "convert/path_fingerprints.h"

#include "base/sha256.h"

namespace quelmar {

std::size_t PathFingerprints::SlotOf(const Fingerprint& fingerprint) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = static_cast<std::size_t>(fingerprint.first) & mask;
  while (slots_[slot] != Fingerprint{0, 0} && slots_[slot] != fingerprint) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

void PathFingerprints::Grow() {
  std::vector<Fingerprint> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 1024 : 2 * old.size(), Fingerprint{0, 0});
  for (const Fingerprint& fingerprint : old) {
    if (fingerprint != Fingerprint{0, 0}) slots_[SlotOf(fingerprint)] = fingerprint;
  }
}

bool PathFingerprints::Insert(std::string_view path) {
  // At most three quarters full, so that a search soon meets a free slot.
  if (4 * (used_ + 1) > 3 * slots_.size()) Grow();
  const Sha256::Digest digest = Sha256::Of(path);
  Fingerprint fingerprint{0, 0};
  for (int i = 0; i < 8; ++i) {
    fingerprint.first = fingerprint.first << 8 | digest[i];
    fingerprint.second = fingerprint.second << 8 | digest[8 + i];
  }
  // The one fingerprint that would read as free is kept as another.
  if (fingerprint == Fingerprint{0, 0}) fingerprint.second = 1;
  const std::size_t slot = SlotOf(fingerprint);
  if (slots_[slot] == fingerprint) return false;
  slots_[slot] = fingerprint;
  ++used_;
  return true;
}

}  // namespace quelmar
