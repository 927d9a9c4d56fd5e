#include "convert/shard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

TEST(ParseShard, ReadsWholeNumbers_WithTheIndexFrom1ToTheCount) {
  const std::map<std::string, Shard> good = {{"1/1", {1, 1}},
                                             {"1/3", {1, 3}},
                                             {"3/3", {3, 3}},
                                             {"007/10", {7, 10}},
                                             {"2/1000000", {2, 1000000}}};
  for (const auto& [text, shard] : good) {
    EXPECT_EQ(ParseShard(text), shard) << text;
  }
}

TEST(ParseShard, RefusesEverythingElse) {
  for (const char* text : {"0/3",
                           "4/3",
                           "1/0",
                           "0/0",
                           "a/b",
                           "1/b",
                           "a/3",
                           "",
                           "/",
                           "1/",
                           "/3",
                           "13",
                           "1/3/",
                           "1/3/3",
                           "-1/3",
                           "+1/3",
                           " 1/3",
                           "1/3 ",
                           "1 /3",
                           "1/3x",
                           "1.0/3",
                           "1/1000001",
                           "99999999999999999999/3",
                           "１/３"}) {
    EXPECT_EQ(ParseShard(text), std::nullopt) << text;
  }
}

// The slice as a shell computes it with coreutils: the first 16 hexadecimal digits of
// sha256sum, modulo the count, plus one. The recipe the scale-out notes give.
std::uint32_t SliceBySha256sum(const std::string& relative, std::uint32_t count) {
  fixtures::TempFolder temp;
  fixtures::WriteText(temp / "path", relative);
  FILE* pipe = ::popen(("sha256sum '" + (temp / "path") + "'").c_str(), "r");
  char hex[17] = {};
  const std::size_t n = pipe != nullptr ? std::fread(hex, 1, 16, pipe) : 0;
  if (pipe != nullptr) ::pclose(pipe);
  if (n != 16) return 0;
  return static_cast<std::uint32_t>(std::stoull(hex, nullptr, 16) % count) + 1;
}

TEST(SliceOf, AgreesWithSha256sum_ForNamesOfAnyBytes) {
  const std::vector<std::string> paths = {
      "a.jpg",           "2026/07/IMG_0001.JPG", "写真/夏.jpeg",
      "sp ace/x.jpg",    "bad\xff\xfe/x.jpg",    "a/b/c/d/e.jpg",
      "line\nbreak.jpg", std::string(300, 'x')};
  for (const std::string& path : paths) {
    for (const std::uint32_t count : {1u, 2u, 3u, 7u, 1000u}) {
      EXPECT_EQ(SliceOf(path, count), SliceBySha256sum(path, count)) << path << " of " << count;
    }
  }
}

TEST(SliceOf, SplitsAManyFilesIntoDisjointSlicesThatCoverThemAll) {
  for (const std::uint32_t count : {1u, 2u, 3u, 5u}) {
    std::vector<int> sizes(count + 1, 0);
    for (int i = 0; i < 3000; ++i) {
      const std::string path = "folder" + std::to_string(i % 17) + "/" + std::to_string(i) + ".jpg";
      int slices = 0;
      for (std::uint32_t index = 1; index <= count; ++index) {
        if (InShard(path, {index, count})) {
          ++slices;
          ++sizes[index];
        }
      }
      EXPECT_EQ(slices, 1) << path;
    }
    // No slice is left empty or takes nearly everything: the digest spreads the names.
    for (std::uint32_t index = 1; index <= count; ++index) {
      EXPECT_GT(sizes[index], 3000 / static_cast<int>(count) / 2) << index << "/" << count;
    }
  }
}

}  // namespace
}  // namespace quelmar
