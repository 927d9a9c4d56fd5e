#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quelmar {

// One slice of a run split into count slices: 1 <= index <= count.
struct Shard {
  std::uint32_t index = 1;
  std::uint32_t count = 1;
  bool operator==(const Shard&) const = default;
};

// The largest number of slices a run may be split into.
inline constexpr std::uint32_t kMostShards = 1000000;

// Reads "I/N": two whole numbers in decimal digits only (no sign, no blanks), 1 <= I <= N <=
// kMostShards. nullopt for anything else.
std::optional<Shard> ParseShard(std::string_view text);

// The slice of count that the file at relative (its path below the source folder, folders
// separated by "/", as the bytes of its names) falls in: 1 + the first eight bytes of the
// SHA-256 of relative, read as a big-endian number, modulo count. The same on every machine and
// in every run, whatever else the run holds.
std::uint32_t SliceOf(std::string_view relative, std::uint32_t count);

// True when the file at relative falls in shard.
bool InShard(std::string_view relative, const Shard& shard);

}  // namespace quelmar
