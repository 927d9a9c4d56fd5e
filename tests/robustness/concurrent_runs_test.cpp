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
#include "robustness/isolated_child.h"
#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/child_process.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::TempFolder;

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
  ASSERT_EQ(fixtures::WaitForChild(dead), 0);
  const std::vector<std::string> stale = Temporaries(out);
  ASSERT_EQ(stale.size(), 1u);

  // This process is the living writer; the cleaner sees no process of this namespace.
  ReplaceTemporary living(folder.fd(), "photo.jpg", out + "/photo.jpg");
  ASSERT_EQ(::write(living.fd(), "half", 4), 4);
  const fixtures::ChildResult cleaner = fixtures::RunIsolated(
      fixtures::Isolation::kPidNamespace,
      [&](std::ostream& err) {
        err << "cleaner process " << ::getpid() << '\n';
        RemoveStaleTemporaryFiles(out);
        return 0;
      },
      temp / "cleaner.log");
  if (cleaner.status == fixtures::kChildCannot) {
    GTEST_SKIP() << "a PID namespace of the test's own needs root: " << cleaner.err;
  }
  ASSERT_EQ(cleaner.status, 0) << cleaner.err;
  ASSERT_EQ(cleaner.err, "cleaner process 1\n");

  EXPECT_EQ(Temporaries(out), std::vector<std::string>{living.temporary_name()});
  ASSERT_EQ(::write(living.fd(), "done", 4), 4);
  living.Commit();
  EXPECT_EQ(fixtures::ReadBytes(out + "/photo.jpg"),
            (std::vector<std::uint8_t>{'h', 'a', 'l', 'f', 'd', 'o', 'n', 'e'}));
  EXPECT_EQ(Temporaries(out), std::vector<std::string>{});
}

TEST(ConcurrentRuns, TwoRunsIntoOneOutputFolderBothFinish_OneOfThemInAnotherPidNamespace) {
  TempFolder temp;
  const std::string src = temp / "src";
  const std::string out = temp / "out";
  fixtures::WriteBytes(temp / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(6, 4)));
  for (int folder = 0; folder < 30; ++folder) {
    for (int photo = 0; photo < 4; ++photo) {
      fixtures::WriteBytes(
          src + "/" + std::to_string(folder) + "/" + std::to_string(photo) + ".jpg",
          fixtures::JpegBytes(64, 48, folder * 4 + photo));
    }
  }
  std::filesystem::create_directories(out);
  const std::vector<std::string> arguments = {
      "--logo", temp / "logo.bmp", "--source", src, "--output", out, "--jobs", "1"};
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    const pid_t here = fixtures::StartCli(arguments, temp / "here.log");
    const fixtures::ChildResult there = fixtures::RunIsolated(
        fixtures::Isolation::kPidNamespace,
        [&](std::ostream& err) { return fixtures::RunCliHere(arguments, err); },
        temp / "there.log");
    const int here_status = fixtures::WaitForChild(here);
    if (there.status == fixtures::kChildCannot) {
      GTEST_SKIP() << "a PID namespace of the test's own needs root: " << there.err;
    }
    EXPECT_EQ(there.status, 0) << there.err;
    EXPECT_EQ(here_status, 0);
    EXPECT_EQ(fixtures::HiddenEntries(out), std::vector<std::string>{});
    for (int folder = 0; folder < 30; ++folder) {
      for (int photo = 0; photo < 4; ++photo) {
        const std::string name = std::to_string(folder) + "/" + std::to_string(photo) + ".jpg";
        EXPECT_TRUE(fixtures::IsCompleteJpeg(out + "/" + name)) << name;
      }
    }
  }
}

}  // namespace
}  // namespace quelmar
