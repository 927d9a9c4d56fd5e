// Runs that share an output folder: the cleanup of a killed run's temporary files must never
// take a living writer's file, whether or not the writer's process is visible to the cleaner
// (another PID namespace, another container on the same volume, another machine).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/folder_handle.h"
#include "convert/sample_files.h"
#include "robustness/isolated_child.h"
#include "robustness/robust_support.h"

namespace quelmar {
namespace {

using testing::TempFolder;

std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (IsReplaceTemporaryName(name)) names.push_back(name);
  }
  return names;
}

TEST(ConcurrentRuns, ACleanupInAnotherPidNamespaceKeepsALivingWritersFile) {
  TempFolder temp;
  const std::string out = temp / "out";
  std::filesystem::create_directories(out);
  FolderHandle folder;
  ASSERT_EQ(OpenFolderAt(AT_FDCWD, out, FolderLinks::kFollow, folder), 0);

  // A writer that died halfway: its file stays behind, and nobody holds it.
  const pid_t dead = ::fork();
  if (dead == 0) {
    ReplaceTemporary left(folder.fd(), "dead.jpg", out + "/dead.jpg");
    ::_exit(0);  // no destructor: as after kill -9
  }
  ASSERT_EQ(testing::WaitForChild(dead), 0);
  const std::vector<std::string> stale = Temporaries(out);
  ASSERT_EQ(stale.size(), 1u);

  // This process is the living writer; the cleaner sees no process of this namespace.
  ReplaceTemporary living(folder.fd(), "photo.jpg", out + "/photo.jpg");
  ASSERT_EQ(::write(living.fd(), "half", 4), 4);
  const testing::ChildResult cleaner = testing::RunIsolated(
      testing::Isolation::kPidNamespace,
      [&](std::ostream& err) {
        err << "cleaner process " << ::getpid() << '\n';
        RemoveStaleTemporaryFiles(out);
        return 0;
      },
      temp / "cleaner.log");
  if (cleaner.status == testing::kChildCannot) {
    GTEST_SKIP() << "a PID namespace of the test's own needs root: " << cleaner.err;
  }
  ASSERT_EQ(cleaner.status, 0) << cleaner.err;
  ASSERT_EQ(cleaner.err, "cleaner process 1\n");

  EXPECT_EQ(Temporaries(out), std::vector<std::string>{living.temporary_name()});
  ASSERT_EQ(::write(living.fd(), "done", 4), 4);
  living.Commit();
  EXPECT_EQ(testing::ReadBytes(out + "/photo.jpg"),
            (std::vector<std::uint8_t>{'h', 'a', 'l', 'f', 'd', 'o', 'n', 'e'}));
  EXPECT_EQ(Temporaries(out), std::vector<std::string>{});
}

TEST(ConcurrentRuns, TwoRunsIntoOneOutputFolderBothFinish_OneOfThemInAnotherPidNamespace) {
  TempFolder temp;
  const std::string src = temp / "src";
  const std::string out = temp / "out";
  testing::WriteBytes(temp / "logo.bmp", testing::Bmp24Bytes(testing::LogoRaster(6, 4)));
  for (int folder = 0; folder < 30; ++folder) {
    for (int photo = 0; photo < 4; ++photo) {
      testing::WriteBytes(src + "/" + std::to_string(folder) + "/" + std::to_string(photo) + ".jpg",
                          testing::JpegBytes(64, 48, folder * 4 + photo));
    }
  }
  std::filesystem::create_directories(out);
  const std::vector<std::string> arguments = {
      "--logo", temp / "logo.bmp", "--source", src, "--output", out, "--jobs", "1"};
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    const pid_t here = testing::StartCli(arguments, temp / "here.log");
    const testing::ChildResult there = testing::RunIsolated(
        testing::Isolation::kPidNamespace,
        [&](std::ostream& err) { return testing::RunCliHere(arguments, err); }, temp / "there.log");
    const int here_status = testing::WaitForChild(here);
    if (there.status == testing::kChildCannot) {
      GTEST_SKIP() << "a PID namespace of the test's own needs root: " << there.err;
    }
    EXPECT_EQ(there.status, 0) << there.err;
    EXPECT_EQ(here_status, 0);
    EXPECT_EQ(testing::HiddenEntries(out), std::vector<std::string>{});
    for (int folder = 0; folder < 30; ++folder) {
      for (int photo = 0; photo < 4; ++photo) {
        const std::string name = std::to_string(folder) + "/" + std::to_string(photo) + ".jpg";
        EXPECT_TRUE(testing::IsCompleteJpeg(out + "/" + name)) << name;
      }
    }
  }
}

}  // namespace
}  // namespace quelmar
