#include "convert/path_list.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/errors.h"

namespace quelmar {

namespace {

constexpr std::size_t kChunk = 65536;

}  // namespace

DescriptorPathList::DescriptorPathList(int fd, char separator) : fd_(fd), separator_(separator) {}

bool DescriptorPathList::Fill() {
  if (ended_) return false;
  // What was handed out goes, so the buffer holds at most one entry and one chunk.
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
  start_ = 0;
  const std::size_t size = buffer_.size();
  buffer_.resize(size + kChunk);
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.data() + size, kChunk);
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw EReadError();
  buffer_.resize(size + static_cast<std::size_t>(n));
  ended_ = n == 0;
  return n > 0;
}

ListEntry DescriptorPathList::Cut() {
  ListEntry cut{
      std::string(buffer_.begin() + static_cast<std::ptrdiff_t>(start_),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + kMostListEntryBytes)),
      false};
  // The rest of it is dropped, up to the separator that ends it, read first when need be.
  const auto held =
      std::find(buffer_.begin() + static_cast<std::ptrdiff_t>(start_), buffer_.end(), separator_);
  if (held != buffer_.end()) {
    start_ = static_cast<std::size_t>(held - buffer_.begin()) + 1;
    return cut;
  }
  buffer_.clear();
  start_ = 0;
  while (Fill()) {
    const auto found = std::find(buffer_.begin(), buffer_.end(), separator_);
    if (found != buffer_.end()) {
      start_ = static_cast<std::size_t>(found - buffer_.begin()) + 1;
      break;
    }
    buffer_.clear();
  }
  return cut;
}

std::optional<ListEntry> DescriptorPathList::Next() {
  for (;;) {
    const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(start_);
    const auto end = std::find(begin, buffer_.end(), separator_);
    const std::size_t length = static_cast<std::size_t>(end - begin);
    if (length > kMostListEntryBytes) return Cut();
    if (end == buffer_.end() && !ended_) {
      Fill();
      continue;
    }
    if (end == buffer_.end() && length == 0) return std::nullopt;
    ListEntry entry{std::string(begin, end), true};
    start_ += length + (end == buffer_.end() ? 0 : 1);
    if (separator_ == '\n' && !entry.text.empty() && entry.text.back() == '\r') {
      entry.text.pop_back();
    }
    if (!entry.text.empty()) return entry;
  }
}

}  // namespace quelmar
