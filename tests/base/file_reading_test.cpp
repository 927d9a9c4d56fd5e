#include "base/file_reading.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

class ReadFileWithinBudgetTest : public testing::Test {
 protected:
  void TearDown() override {
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryInUse(), 0u);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = temp_ / name;
    fixtures::WriteText(path, text);
    return path;
  }
  fixtures::TempFolder temp_;
  const std::string root_ = temp_.path();
};

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(ReadFileWithinBudgetTest, HoldsEveryByteCountedInTheBudgetUntilReleased) {
  std::string text(300000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 13 % 251);
  const std::string path = Write("写真.jpg", text);
  {
    const HeldFile held = ReadFileWithinBudget(path, 2);
    EXPECT_EQ(Text(held.bytes), text);
    EXPECT_EQ(held.reservation.bytes(), text.size());
    EXPECT_EQ(MemoryInUse(), text.size());
    EXPECT_EQ(ReadWholeFile(path), held.bytes);
  }
  EXPECT_EQ(MemoryInUse(), 0u);
}

TEST_F(ReadFileWithinBudgetTest, TheCheckSeesTheFirstBytesAndItsRefusalReadsNoMore) {
  const struct {
    std::string text;
    std::size_t start_size;
    std::string seen;
  } cases[] = {
      {"BM and the rest", 2, "BM"},
      {"B", 2, "B"},  // shorter than asked for: all of it
      {"", 14, ""},
      {"0123456789abcdefgh", 14, "0123456789abcd"},
  };
  for (const auto& c : cases) {
    const std::string path = Write("file", c.text);
    std::string seen = "(not called)";
    const HeldFile held = ReadFileWithinBudget(
        path, c.start_size, [&](auto start) { seen.assign(start.begin(), start.end()); });
    EXPECT_EQ(seen, c.seen);
    EXPECT_EQ(Text(held.bytes), c.text);
  }
  // A refusal passes on before the file's size is taken from a budget it does not fit.
  SetMemoryBudget(4);
  const std::string path = Write("large", std::string(1000, 'x'));
  EXPECT_THROW(ReadFileWithinBudget(path, 1, [](auto) { throw EReadError(); }), EReadError);
  EXPECT_THROW(ReadFileWithinBudget(path, 1, [](auto) {}), EOutOfResources);
}

TEST_F(ReadFileWithinBudgetTest, AFileWithoutASizeIsHeldOnlyAsFarAsTheBudgetGoes) {
  // A device that never ends would be read until memory ran out.
  SetMemoryBudget(1 << 20);
  EXPECT_THROW(ReadFileWithinBudget("/dev/zero"), EOutOfResources);

  const std::string fifo = root_ + "/pipe.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string text(200000, 'p');
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
  const HeldFile held = ReadFileWithinBudget(fifo);
  writer.join();
  EXPECT_EQ(Text(held.bytes), text);
  EXPECT_EQ(held.reservation.bytes(), text.size());
}

TEST_F(ReadFileWithinBudgetTest, FailsLikeReadWholeFileForAMissingFileAndAFolder) {
  EXPECT_THROW(ReadFileWithinBudget(root_ + "/無い.bmp"), EFOpenError);
  EXPECT_THROW(ReadFileWithinBudget(root_), EFOpenError);
  EXPECT_THROW(ReadFileWithinBudget("/proc/self/mem"), EReadError);
}

}  // namespace
}  // namespace quelmar
