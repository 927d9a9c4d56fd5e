#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace quelmar {

// The paths a run has met, each kept as 16 bytes of its SHA-256 (no two paths in the world
// share them in practice), so that a list of millions of paths is never held itself.
class PathFingerprints {
 public:
  // True when path was not met before (it is then kept).
  bool Insert(std::string_view path);
  std::size_t size() const { return used_; }

 private:
  using Fingerprint = std::pair<std::uint64_t, std::uint64_t>;  // {0, 0} marks a free slot

  void Grow();
  // The slot of fingerprint: where it is, or the free slot where it would go.
  std::size_t SlotOf(const Fingerprint& fingerprint) const;

  std::vector<Fingerprint> slots_;
  std::size_t used_ = 0;
};

}  // namespace quelmar
