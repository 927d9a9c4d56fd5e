#include "base/memory_budget.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>

#include "base/errors.h"
#include "base/system_limits.h"

namespace quelmar {

namespace {

std::atomic<std::size_t> in_use{0};
std::atomic<std::size_t> budget{0};

std::size_t DefaultBudget() {
  static const std::size_t bytes = static_cast<std::size_t>(UsableMemory() / 2);
  return bytes;
}

}  // namespace

MemoryReservation::MemoryReservation(std::size_t bytes) {
  if (bytes == 0) return;
  const std::size_t limit = MemoryBudget();
  std::size_t held = in_use.load(std::memory_order_relaxed);
  do {
    if (bytes > limit || held > limit - bytes) throw EOutOfResources(ENOMEM);
  } while (!in_use.compare_exchange_weak(held, held + bytes, std::memory_order_relaxed));
  bytes_ = bytes;
}

MemoryReservation::MemoryReservation(MemoryReservation&& other) noexcept
    : bytes_(std::exchange(other.bytes_, 0)) {}

MemoryReservation& MemoryReservation::operator=(MemoryReservation&& other) noexcept {
  if (this != &other) {
    Release();
    bytes_ = std::exchange(other.bytes_, 0);
  }
  return *this;
}

void MemoryReservation::Release() {
  if (bytes_ == 0) return;
  in_use.fetch_sub(std::exchange(bytes_, 0), std::memory_order_relaxed);
}

std::size_t MemoryBudget() {
  const std::size_t set = budget.load(std::memory_order_relaxed);
  return set != 0 ? set : DefaultBudget();
}

std::size_t MemoryInUse() {
  return in_use.load(std::memory_order_relaxed);
}

void SetMemoryBudget(std::size_t bytes) {
  budget.store(bytes, std::memory_order_relaxed);
}

}  // namespace quelmar
