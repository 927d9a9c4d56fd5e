#pragma once

#include <cstddef>
#include <cstdint>

#include "base/errors.h"

namespace quelmar {

// The process-wide budget for image-sized storage: raster pixels, the codec's whole-image
// arrays and whole files held in memory. Every such buffer is reserved here before it is
// allocated, so that forged headers and several decodes at once are refused with
// EOutOfResources instead of driving the process into the system's out-of-memory kill. By
// default the budget is half of the memory the process may use (UsableMemory in
// base/system_limits.h).
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

  // Takes bytes from the budget like the constructor, but inside a shared MemoryTurn it first
  // waits while they do not fit and other turns run that may release memory. Fails with
  // EOutOfResources(ENOMEM) at once when bytes exceed the whole budget, and as soon as no other
  // turn is left running (every other one waits here too, or none is left): then the bytes
  // cannot be had whatever the number of threads. Only for the first reservation of a turn:
  // a thread that waits while it holds memory could wait for one that waits for it.
  static MemoryReservation Waiting(std::size_t bytes);

  // Adds bytes to the reservation, without waiting. Fails with EOutOfResources(ENOMEM) when they
  // would exceed the budget, leaving the reservation as it was.
  void Grow(std::size_t bytes);

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
// Threads waiting at this moment in MemoryReservation::Waiting or for an alone MemoryTurn.
int MemoryWaiters();

// One thread's piece of work among several that share the budget at once (the conversion of
// one file on one of the run's threads). Shared turns run side by side; an alone turn waits
// until no shared turn runs, and no shared turn starts while one waits or runs. A turn made on
// a thread that is already in one is part of that one and does nothing.
class MemoryTurn {
 public:
  enum class Kind { kShared, kAlone };
  // Waits until a turn of that kind may start.
  explicit MemoryTurn(Kind kind);
  ~MemoryTurn();
  MemoryTurn(const MemoryTurn&) = delete;
  MemoryTurn& operator=(const MemoryTurn&) = delete;

  // Whether a refusal of the budget met in this shared turn may have come from memory that
  // other turns held: they ran at some time during it, and the refused reservation did not
  // alone exceed the whole budget.
  bool OthersMayHaveHeldMemory() const;

 private:
  Kind kind_;
  bool nested_;
  std::uint64_t ended_at_start_ = 0;
};

// Runs work (a callable without arguments) in a shared turn. When the budget refuses it memory
// that other turns may have held, everything it held has been released by the time the
// EOutOfResources arrives here; it then runs again, from the start, in an alone turn, with the
// whole budget to itself. So a piece of work fails for memory only when it cannot have it
// alone, never because of how many threads run; its error then passes on, as does every other.
template <typename Work>
auto ShareMemoryBudget(Work&& work) -> decltype(work()) {
  {
    const MemoryTurn shared(MemoryTurn::Kind::kShared);
    try {
      return work();
    } catch (const EOutOfResources&) {
      if (!shared.OthersMayHaveHeldMemory()) throw;
    }
  }
  const MemoryTurn alone(MemoryTurn::Kind::kAlone);
  return work();
}

}  // namespace quelmar
