// Output folders that are the source, or lead into it, under another name: bind mounts (as a
// container gets the same folder at /in and /out), /proc/self/cwd. Identities are compared, not
// names: every run is refused with the containment message, exit 2, and writes nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "convert/path_containment.h"
#include "robustness/isolated_child.h"
#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::BindMount;
using fixtures::TempFolder;
using fixtures::TreeSnapshot;
using fixtures::WriteBytes;

struct AliasCase {
  const char* name;
  // Bind mounts to make, each "from" and "to" relative to the test's folder.
  std::vector<std::pair<std::string, std::string>> mounts;
  std::string source;  // relative to the test's folder; "." stands for the working folder
  std::string output;
  std::string working_folder;  // relative; empty to keep the test's own
  std::string named;           // the folder the refusal names, empty when refused at the start
};

class OutputAlias : public ::testing::TestWithParam<AliasCase> {
 protected:
  OutputAlias() {
    WriteBytes(temp_ / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(6, 4)));
    // P/p holds a folder p of its own: the output P would put p/p/1.jpg on p/1.jpg.
    WriteBytes(temp_ / "P/p/1.jpg", fixtures::JpegBytes(24, 16, 1));
    WriteBytes(temp_ / "P/p/p/1.jpg", fixtures::JpegBytes(24, 16, 2));
    WriteBytes(temp_ / "P/p/sub/2.jpg", fixtures::JpegBytes(24, 16, 3));
    for (const char* folder : {"alias", "in", "out", "O/sub"}) {
      std::filesystem::create_directories(temp_ / folder);
    }
  }

  std::string At(const std::string& relative) const {
    return relative.rfind('/', 0) == 0 ? relative : temp_ / relative;
  }

  TempFolder temp_;
};

TEST_P(OutputAlias, IsRefusedWithTheContainmentMessageAndNothingIsWritten) {
  const AliasCase& alias = GetParam();
  const auto before = TreeSnapshot(temp_ / "P");
  const fixtures::ChildResult result = fixtures::RunIsolated(
      fixtures::Isolation::kMountNamespace,
      [&](std::ostream& err) {
        for (const auto& [from, to] : alias.mounts) {
          if (!BindMount(At(from), At(to), false, err)) return fixtures::kChildCannot;
        }
        if (!alias.working_folder.empty() && ::chdir(At(alias.working_folder).c_str()) != 0) {
          return fixtures::kChildCannot;
        }
        return fixtures::RunCliHere({"--logo", temp_ / "logo.bmp", "--source", At(alias.source),
                                     "--output", At(alias.output)},
                                    err);
      },
      temp_ / "child.log");
  if (result.status == fixtures::kChildCannot) {
    GTEST_SKIP() << "the aliases need a mount namespace of the test's own (root): " << result.err;
  }
  EXPECT_EQ(result.status, 2) << result.err;
  const std::string expected = alias.named.empty()
                                   ? std::string(kContainedMessage)
                                   : FullPath(At(alias.named)) + ": " + kContainedMessage;
  EXPECT_NE(result.err.find(expected), std::string::npos) << result.err;
  // Whatever is written through an alias of the source lands in P.
  EXPECT_EQ(fixtures::ChangedEntries(before, TreeSnapshot(temp_ / "P")),
            std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Aliases, OutputAlias,
    ::testing::Values(
        AliasCase{"BindMountOfTheSource", {{"P/p", "alias"}}, "P/p", "alias", "", ""},
        AliasCase{"SameFolderAtInAndOut", {{"P/p", "in"}, {"P/p", "out"}}, "in", "out", "", ""},
        AliasCase{"BindMountOfTheSourcesParent", {{"P", "alias"}}, "P/p", "alias", "", "alias/p"},
        AliasCase{
            "BindMountOfASourceSubFolder", {{"P/p/sub", "alias"}}, "P/p", "alias", "", "alias"},
        AliasCase{"SourceMountedInsideTheOutput", {{"P/p", "O/sub"}}, "P/p", "O", "", "O/sub"},
        AliasCase{"WorkingFolderThroughProc", {}, "P/p", "/proc/self/cwd/", "P/p", ""},
        AliasCase{"SubFolderThroughProc", {}, "P/p", "/proc/self/cwd/sub", "P/p", ""}),
    [](const ::testing::TestParamInfo<AliasCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quelmar
