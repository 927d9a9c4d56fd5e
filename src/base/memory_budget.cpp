#include "base/memory_budget.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "base/system_limits.h"

namespace quelmar {

namespace {

std::atomic<std::size_t> in_use{0};
std::atomic<std::size_t> budget{0};

// The turns of the threads that share the budget, and the reservations waiting for memory.
struct Turns {
  std::mutex mutex;
  std::condition_variable changed;  // a turn started or ended, or memory was released
  int shared = 0;                   // shared turns running
  int alone_waiting = 0;
  bool alone = false;           // an alone turn runs
  std::uint64_t ended = 0;      // shared turns ended so far
  int waiting_in_turn = 0;      // shared turns waiting in MemoryReservation::Waiting
  std::atomic<int> waiters{0};  // threads in MemoryReservation::Waiting
};

Turns turns;

thread_local int turn_depth = 0;
thread_local bool in_shared_turn = false;
// Set when a reservation larger than the whole budget was refused during this thread's turn.
thread_local bool refused_beyond_budget = false;

std::size_t DefaultBudget() {
  static const std::size_t bytes = static_cast<std::size_t>(UsableMemory() / 2);
  return bytes;
}

// Adds bytes to the memory in use when they fit the budget.
bool TryTake(std::size_t bytes) {
  const std::size_t limit = MemoryBudget();
  if (bytes > limit) {
    refused_beyond_budget = true;
    return false;
  }
  std::size_t held = in_use.load();
  do {
    if (held > limit - bytes) return false;
  } while (!in_use.compare_exchange_weak(held, held + bytes));
  return true;
}

}  // namespace

MemoryReservation::MemoryReservation(std::size_t bytes) {
  if (bytes == 0) return;
  if (!TryTake(bytes)) throw EOutOfResources(ENOMEM);
  bytes_ = bytes;
}

MemoryReservation MemoryReservation::Waiting(std::size_t bytes) {
  MemoryReservation reservation;
  if (bytes == 0 || TryTake(bytes)) {
    reservation.bytes_ = bytes;
    return reservation;
  }
  if (!in_shared_turn || bytes > MemoryBudget()) throw EOutOfResources(ENOMEM);

  std::unique_lock lock(turns.mutex);
  ++turns.waiters;
  ++turns.waiting_in_turn;
  // Only turns that run, rather than wait here as well, can release memory; this one is
  // counted in both.
  while (!TryTake(bytes)) {
    if (turns.shared - turns.waiting_in_turn == 0) {
      --turns.waiting_in_turn;
      --turns.waiters;
      turns.changed.notify_all();
      throw EOutOfResources(ENOMEM);
    }
    turns.changed.wait(lock);
  }
  --turns.waiting_in_turn;
  --turns.waiters;
  turns.changed.notify_all();
  reservation.bytes_ = bytes;
  return reservation;
}

void MemoryReservation::Grow(std::size_t bytes) {
  if (bytes == 0) return;
  if (!TryTake(bytes)) throw EOutOfResources(ENOMEM);
  bytes_ += bytes;
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
  in_use.fetch_sub(std::exchange(bytes_, 0));
  // A waiter counts itself before it tries, and this counts after it released, so one of the
  // two sees the other.
  if (turns.waiters.load() > 0) {
    const std::lock_guard lock(turns.mutex);
    turns.changed.notify_all();
  }
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

int MemoryWaiters() {
  const std::lock_guard lock(turns.mutex);
  return turns.waiters + turns.alone_waiting;
}

MemoryTurn::MemoryTurn(Kind kind) : kind_(kind), nested_(turn_depth > 0) {
  ++turn_depth;
  if (nested_) return;
  std::unique_lock lock(turns.mutex);
  if (kind_ == Kind::kShared) {
    turns.changed.wait(lock, [] { return !turns.alone && turns.alone_waiting == 0; });
    ++turns.shared;
    ended_at_start_ = turns.ended;
    in_shared_turn = true;
  } else {
    ++turns.alone_waiting;
    turns.changed.wait(lock, [] { return !turns.alone && turns.shared == 0; });
    --turns.alone_waiting;
    turns.alone = true;
  }
  refused_beyond_budget = false;
}

MemoryTurn::~MemoryTurn() {
  --turn_depth;
  if (nested_) return;
  const std::lock_guard lock(turns.mutex);
  if (kind_ == Kind::kShared) {
    --turns.shared;
    ++turns.ended;
    in_shared_turn = false;
  } else {
    turns.alone = false;
  }
  turns.changed.notify_all();
}

bool MemoryTurn::OthersMayHaveHeldMemory() const {
  if (nested_ || kind_ != Kind::kShared || refused_beyond_budget) return false;
  const std::lock_guard lock(turns.mutex);
  return turns.shared > 1 || turns.ended != ended_at_start_;
}

}  // namespace quelmar
