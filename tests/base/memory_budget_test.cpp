// Threads that share the memory budget wait for each other instead of failing, and never wait
// for memory that no running thread will give back.
#include "base/memory_budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

#include "base/errors.h"

namespace quelmar {
namespace {

class MemoryBudgetTest : public testing::Test {
 protected:
  void SetUp() override { SetMemoryBudget(100); }
  void TearDown() override {
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryInUse(), 0u);
    EXPECT_EQ(MemoryWaiters(), 0);
  }
};

// Spins until some thread waits for memory or done is set. Not a timing: the wait is the very
// state the test needs to reach before it goes on.
void AwaitWaiterOr(const std::atomic<bool>& done) {
  while (MemoryWaiters() == 0 && !done) std::this_thread::yield();
}

// Another thread's work in a shared turn, holding bytes until a thread waits for memory or the
// test is done with it.
class OtherWork {
 public:
  explicit OtherWork(std::size_t bytes)
      : thread_([this, bytes] {
          ShareMemoryBudget([&] {
            MemoryReservation held(bytes);
            holding_.count_down();
            AwaitWaiterOr(done_);
            finished_ = true;  // its turn ends after this
            return 0;
          });
        }) {
    holding_.wait();
  }
  ~OtherWork() {
    done_ = true;
    thread_.join();
  }
  bool finished() const { return finished_; }

 private:
  std::latch holding_{1};
  std::atomic<bool> finished_{false};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST_F(MemoryBudgetTest, WorkRefusedBesideAnotherTurnRunsAgainAloneOnceThatTurnHasEnded) {
  int attempts = 0;
  bool alone = false;
  int result = 0;
  {
    const OtherWork other(60);
    result = ShareMemoryBudget([&] {
      ++attempts;
      const MemoryReservation needed(60);  // 60 + 60 exceed the budget of 100
      alone = other.finished();
      return 7;
    });
  }
  EXPECT_EQ(result, 7);
  EXPECT_EQ(attempts, 2);
  EXPECT_TRUE(alone);
}

TEST_F(MemoryBudgetTest, WorkNeedingMoreThanTheWholeBudgetFailsAtOnceWhileOthersRun) {
  int attempts = 0;
  {
    const OtherWork other(10);
    EXPECT_THROW(ShareMemoryBudget([&] {
                   ++attempts;
                   return MemoryReservation(101).bytes();
                 }),
                 EOutOfResources);
  }
  EXPECT_EQ(attempts, 1);
}

TEST_F(MemoryBudgetTest, WorkAloneIsNotRunAgainWhenMemoryHeldOutsideAnyTurnRefusesIt) {
  const MemoryReservation logo(70);  // held for the whole run, by no turn
  int attempts = 0;
  EXPECT_THROW(ShareMemoryBudget([&] {
                 ++attempts;
                 return MemoryReservation(40).bytes();
               }),
               EOutOfResources);
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(ShareMemoryBudget([] { return MemoryReservation(30).bytes(); }), 30u);
}

TEST_F(MemoryBudgetTest, WaitingReservationWaitsUntilAnotherTurnReleases) {
  std::latch holding(1);
  std::atomic<bool> done{false};
  std::atomic<bool> released{false};
  std::thread other([&] {
    const MemoryTurn turn(MemoryTurn::Kind::kShared);
    MemoryReservation held(80);
    holding.count_down();
    AwaitWaiterOr(done);
    released = true;
    held.Release();
    // The turn goes on running after the release; the waiter needs the memory, not the turn.
    while (!done) std::this_thread::yield();
  });
  holding.wait();
  bool got = false;
  {
    const MemoryTurn turn(MemoryTurn::Kind::kShared);
    try {
      const MemoryReservation file = MemoryReservation::Waiting(50);
      got = released;
    } catch (const EOutOfResources&) {
    }
  }
  done = true;
  other.join();
  EXPECT_TRUE(got);
}

TEST_F(MemoryBudgetTest, WaitersForMemoryThatNoRunningTurnHoldsAllGiveUp) {
  const MemoryReservation logo(70);
  std::latch both_in_turns(2);
  std::atomic<int> refused{0};
  auto waiter = [&] {
    const MemoryTurn turn(MemoryTurn::Kind::kShared);
    both_in_turns.arrive_and_wait();
    try {
      MemoryReservation::Waiting(40);
    } catch (const EOutOfResources&) {
      ++refused;
    }
  };
  std::thread first(waiter);
  std::thread second(waiter);
  first.join();
  second.join();
  EXPECT_EQ(refused, 2);
}

TEST_F(MemoryBudgetTest, WaitingOutsideATurnOrBeyondTheBudgetDoesNotWait) {
  const MemoryReservation held(70);
  EXPECT_THROW(MemoryReservation::Waiting(40), EOutOfResources);
  const MemoryTurn turn(MemoryTurn::Kind::kShared);
  EXPECT_THROW(MemoryReservation::Waiting(101), EOutOfResources);
  EXPECT_EQ(MemoryReservation::Waiting(30).bytes(), 30u);
  EXPECT_EQ(MemoryInUse(), 70u);
}

TEST_F(MemoryBudgetTest, GrowAddsToAReservationOrLeavesItAsItWas) {
  MemoryReservation reservation(40);
  reservation.Grow(50);
  EXPECT_EQ(reservation.bytes(), 90u);
  EXPECT_THROW(reservation.Grow(11), EOutOfResources);
  EXPECT_EQ(reservation.bytes(), 90u);
  EXPECT_EQ(MemoryInUse(), 90u);
  reservation.Release();
}

TEST_F(MemoryBudgetTest, ATurnInsideATurnIsPartOfIt) {
  const MemoryReservation logo(70);
  int inner_attempts = 0;
  EXPECT_THROW(ShareMemoryBudget([&] {
                 return ShareMemoryBudget([&] {
                   ++inner_attempts;
                   return MemoryReservation(40).bytes();
                 });
               }),
               EOutOfResources);
  EXPECT_EQ(inner_attempts, 1);
}

}  // namespace
}  // namespace quelmar
