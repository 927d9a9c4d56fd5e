// Names that lead to something other than a regular file: a FIFO, a character or block device.
// Nothing but a regular file is ever replaced. The settings file (a link to /dev/null is the
// usual way to keep no settings) is written through to a FIFO or character device; an output
// photo is never written through nor replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "convert/run_control.h"
#include "settings/ini_file.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::TempFolder;

struct Node {
  mode_t type = 0;
  dev_t device = 0;
  bool operator==(const Node&) const = default;
};

Node NodeAt(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  return {static_cast<mode_t>(st.st_mode & S_IFMT), st.st_rdev};
}

// Makes the special file kind ("fifo", "null" for a character device like /dev/null, "block")
// at path; false when the system does not let the test make it.
bool MakeNode(const std::string& kind, const std::string& path) {
  if (kind == "fifo") return ::mkfifo(path.c_str(), 0644) == 0;
  if (kind == "null") return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
  // A loop device number that no disk of this machine uses.
  return ::mknod(path.c_str(), S_IFBLK | 0600, ::makedev(7, 250)) == 0;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return {};
}

struct SpecialCase {
  const char* kind;
  LinkReplacement links;
  int expected_error;  // 0: written through
};

class SpecialTarget : public ::testing::TestWithParam<SpecialCase> {
 protected:
  TempFolder temp_;
};

TEST_P(SpecialTarget, IsNeverReplaced_AndWrittenThroughOnlyWhenAsked) {
  const SpecialCase& special = GetParam();
  const std::string node = temp_ / "node";
  if (!MakeNode(special.kind, node)) {
    GTEST_SKIP() << "cannot make a " << special.kind << " here: " << SystemErrorText(errno);
  }
  const Node before = NodeAt(node);
  // Reached directly and through a link, as a settings file kept elsewhere is.
  ASSERT_EQ(::symlink("node", (temp_ / "link").c_str()), 0);
  for (const std::string name : {"node", "link"}) {
    SCOPED_TRACE(name);
    const std::string path = temp_ / name;
    const std::string error = ErrorOf([&] {
      ReplaceFile(path, std::vector<std::uint8_t>{'x'}, ShortWriteReport::kWriteError,
                  special.links);
    });
    if (special.expected_error == 0) {
      EXPECT_EQ(error, "");
    } else if (special.links == LinkReplacement::kReplaceLink && name == "link") {
      // The link itself is what an output photo replaces, leaving what it named alone.
      EXPECT_EQ(error, "");
      EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
      ASSERT_EQ(std::filesystem::remove(path), true);
      ASSERT_EQ(::symlink("node", path.c_str()), 0);
    } else {
      EXPECT_EQ(error, "ファイル \"" + path + "\". " + SystemErrorText(special.expected_error) +
                           " を作成できません");
    }
    EXPECT_EQ(NodeAt(node), before);
  }
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(temp_.path())) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"link", "node"}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialTarget,
                         ::testing::Values(
                             // Nobody reads the FIFO: refused at once rather than waited on.
                             SpecialCase{"fifo", LinkReplacement::kWriteThrough, ENXIO},
                             SpecialCase{"null", LinkReplacement::kWriteThrough, 0},
                             SpecialCase{"block", LinkReplacement::kWriteThrough, EEXIST},
                             SpecialCase{"fifo", LinkReplacement::kReplaceLink, EEXIST},
                             SpecialCase{"null", LinkReplacement::kReplaceLink, EEXIST}),
                         [](const ::testing::TestParamInfo<SpecialCase>& info) {
                           return std::string(info.param.kind) +
                                  (info.param.links == LinkReplacement::kWriteThrough
                                       ? "WrittenThrough"
                                       : "Output");
                         });

TEST(SpecialFile, AFifoWithAReaderGetsTheBytesAndStaysAFifo) {
  TempFolder temp;
  const std::string fifo = temp / "Quelmar.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string received;
  std::thread reader([&] {
    const int fd = ::open(fifo.c_str(), O_RDONLY);
    char chunk[256];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0) received.append(chunk, n);
    ::close(fd);
  });
  // The write opens without waiting, so it waits for the reader to open first.
  std::string error;
  for (int attempt = 0; attempt < 2000; ++attempt) {
    error = ErrorOf([&] {
      ReplaceFile(fifo, std::vector<std::uint8_t>(100000, 'a'), ShortWriteReport::kWriteError,
                  LinkReplacement::kWriteThrough);
    });
    if (error.empty()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!error.empty()) ::close(::open(fifo.c_str(), O_WRONLY));  // lets the reader go
  reader.join();
  EXPECT_EQ(error, "");
  EXPECT_EQ(received, std::string(100000, 'a'));
  EXPECT_EQ(NodeAt(fifo).type, static_cast<mode_t>(S_IFIFO));
}

TEST(SpecialFile, ASettingsFileLinkedToANullDeviceKeepsNothingAndStaysALink) {
  TempFolder temp;
  if (!MakeNode("null", temp / "null")) {
    GTEST_SKIP() << "making a device node needs root: " << SystemErrorText(errno);
  }
  ASSERT_EQ(::symlink("null", (temp / "Quelmar.ini").c_str()), 0);
  TMemIniFile ini(temp / "Quelmar.ini");
  ini.PutText("Setup", "MarkBitmap", "/logo.bmp");
  ini.WriteToFile();
  EXPECT_EQ(NodeAt(temp / "null"), (Node{S_IFCHR, ::makedev(1, 3)}));
  EXPECT_TRUE(std::filesystem::is_symlink(temp / "Quelmar.ini"));
  EXPECT_EQ(TMemIniFile(temp / "Quelmar.ini").ReadText("Setup", "MarkBitmap", "none"), "none");
}

TEST(SpecialFile, AnOutputPhotoNamedByAFifoEndsTheRunWithItsCreateError) {
  TempFolder temp;
  fixtures::WriteBytes(temp / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(6, 4)));
  fixtures::WriteBytes(temp / "src/a.jpg", fixtures::JpegBytes(24, 16));
  std::filesystem::create_directories(temp / "out");
  ASSERT_EQ(::mkfifo((temp / "out/a.jpg").c_str(), 0644), 0);
  fixtures::FakeRunHost host;
  host.fields = {{EditField::kLogo, temp / "logo.bmp"},
                 {EditField::kSource, temp / "src"},
                 {EditField::kOutput, temp / "out"}};
  EXPECT_EQ(
      ErrorOf([&] { BitBtn1Click(host); }),
      "ファイル \"" + temp / "out/a.jpg" + "\". " + SystemErrorText(EEXIST) + " を作成できません");
  EXPECT_EQ(NodeAt(temp / "out/a.jpg").type, static_cast<mode_t>(S_IFIFO));
}

}  // namespace
}  // namespace quelmar
