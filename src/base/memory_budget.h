#pragma once

#include <cstddef>

namespace quelmar {

// The process-wide budget for image-sized storage: raster pixels and the codec's whole-image
// arrays. Every such buffer is reserved here before it is allocated, so that forged headers
// and several decodes at once are refused with EOutOfResources instead of driving the process
// into the system's out-of-memory kill. By default the budget is half of the memory the
// process may use (UsableMemory in base/system_limits.h).
class MemoryReservation {
 public:
  MemoryReservation() = default;
  // Takes bytes from the budget; fails with EOutOfResources(ENOMEM) when they would exceed it.
  explicit MemoryReservation(std::size_t bytes);
  MemoryReservation(MemoryReservation&& other) noexcept;
  MemoryReservation& operator=(MemoryReservation&& other) noexcept;
  MemoryReservation(const MemoryReservation&) = delete;
  MemoryReservation& operator=(const MemoryReservation&) = delete;
  ~MemoryReservation() { Release(); }

  std::size_t bytes() const { return bytes_; }
  void Release();

 private:
  std::size_t bytes_ = 0;
};

std::size_t MemoryBudget();
// Bytes held by all reservations at this moment.
std::size_t MemoryInUse();
// Replaces the budget (0 restores the default); reservations already held stay valid.
void SetMemoryBudget(std::size_t bytes);

}  // namespace quelmar
