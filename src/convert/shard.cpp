#include "convert/shard.h"

#include "base/sha256.h"

namespace quelmar {

namespace {

// A whole number of decimal digits only, at most kMostShards.
std::optional<std::uint32_t> ReadCount(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kMostShards) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<Shard> ParseShard(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::optional<std::uint32_t> index = ReadCount(text.substr(0, slash));
  const std::optional<std::uint32_t> count = ReadCount(text.substr(slash + 1));
  if (!index || !count || *index < 1 || *index > *count) return std::nullopt;
  return Shard{*index, *count};
}

std::uint32_t SliceOf(std::string_view relative, std::uint32_t count) {
  return static_cast<std::uint32_t>(LeadingNumber(Sha256::Of(relative)) % count) + 1;
}

bool InShard(std::string_view relative, const Shard& shard) {
  return shard.count <= 1 || SliceOf(relative, shard.count) == shard.index;
}

}  // namespace quelmar
