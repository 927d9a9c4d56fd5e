#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace quelmar {

// The bytes of finished outputs the work ahead of a walk may hold (each file counted by its
// source's size on disk until the walk takes it): a quarter of the memory budget, or what
// SetWorkAheadBytes set. The decoded rasters of the files being worked on are held within the
// memory budget itself.
std::size_t WorkAheadBytes();
// Replaces that bound for the runs started afterwards; 0 restores the default.
void SetWorkAheadBytes(std::size_t bytes);

// Which of a walk's files to work on ahead of it, and in which order. The window runs from the
// file the walk waits for through the files after it, in the walk's order, as far as their
// sizes together fit a bound (the file the walk waits for always fits). A worker begins the
// file the walk waits for when no worker has, and otherwise the largest file of the window no
// worker has begun (the earliest in the walk of equal ones): a big file late in the walk then
// keeps one worker busy while another does the small files before it, instead of starting when
// the walk reaches it and finishing last, and the walk writes as the files come.
// Not thread-safe: its owner locks around it. Never fails.
class WorkAhead {
 public:
  explicit WorkAhead(std::size_t bound) : bound_(bound) {}

  // The first file not yet admitted to the window.
  std::size_t end() const { return end_; }
  // The bytes of the files admitted and not yet passed.
  std::size_t held() const { return held_; }
  // Whether a file of bytes may join the window now: it is the only one in it, or fits.
  bool Fits(std::size_t bytes) const;
  // Admits file end() of bytes; queued: workers are to begin it (otherwise the walk does it).
  void Admit(std::size_t bytes, bool queued);
  // The walk has reached file at: the files before it leave the window, whether taken or
  // thrown away, and files before it never admitted will never be.
  void Pass(std::size_t at);
  // Takes the file the walk waits for if it is queued, else the largest queued file; nullopt
  // when none is queued.
  std::optional<std::size_t> Begin();
  bool HasQueued() const { return !queued_.empty(); }
  // Throws away every queued file (the run ends).
  void ClearQueue() { queued_.clear(); }

 private:
  // Largest first, then the walk's order: sizes are stored negated.
  using Key = std::pair<long long, std::size_t>;
  Key KeyOf(std::size_t file) const;

  std::size_t bound_;
  std::size_t begin_ = 0;          // the file the walk waits for
  std::size_t end_ = 0;            // files before it have been admitted
  std::size_t held_ = 0;           // bytes of the files in [begin_, end_)
  std::vector<std::size_t> size_;  // admitted files' bytes, by index
  std::set<Key> queued_;
};

}  // namespace quelmar
