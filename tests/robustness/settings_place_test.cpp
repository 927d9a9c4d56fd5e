// Where a copy of a program keeps its settings, tried with copies of this very test program
// laid out as an installed program, a build tree and portable folders, run as child processes.
// Run as root, an installed program's folder is writable; the settings still go to the user's
// configuration folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/paths.h"
#include "settings/settings_file.h"
#include "support/child_process.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProbeOutput = "QUELMAR_SETTINGS_PROBE";

// The child's side: a copy of this program started with kProbeOutput set writes where it keeps
// the settings file and ends before any test runs.
[[maybe_unused]] const bool probed = [] {
  if (const char* output = std::getenv(kProbeOutput)) {
    std::ofstream(output) << SettingsPath();
    std::_Exit(0);
  }
  return false;
}();

class SettingsPlace : public ::testing::Test {
 protected:
  // Copies this program into folder, runs its probe with home as $HOME and without
  // $XDG_CONFIG_HOME, and returns the settings path it reports.
  std::string ProbeFrom(const std::string& folder) {
    fs::create_directories(folder);
    const std::string program = folder + "/probe";
    fs::copy_file(ExecutablePath(), program, fs::copy_options::overwrite_existing);
    const std::string output = temp_ / "probe.txt";
    fs::remove(output);
    const std::string home = temp_ / "home";
    const pid_t pid = fixtures::StartChild({program}, "", "", [&] {
      ::setenv("HOME", home.c_str(), 1);
      ::unsetenv("XDG_CONFIG_HOME");
      ::setenv(kProbeOutput, output.c_str(), 1);
    });
    EXPECT_EQ(fixtures::WaitForChild(pid), 0) << folder;
    return fs::exists(output) ? fixtures::ReadText(output) : std::string();
  }

  fixtures::TempFolder temp_;
};

TEST_F(SettingsPlace, AnInstalledProgramKeepsItsSettingsInTheUsersConfigurationFolder) {
  const std::string bin = temp_ / "usr/bin";
  ASSERT_EQ(::access(temp_.path().c_str(), W_OK), 0);
  EXPECT_EQ(ProbeFrom(bin), temp_ / "home/.config/quelmar/Quelmar.ini");
  EXPECT_FALSE(fs::exists(bin + "/Quelmar.ini"));
}

TEST_F(SettingsPlace, ABuildTreeAndAPortableFolderKeepTheirSettingsBesideTheProgram) {
  const std::string build = temp_ / "build";
  fixtures::WriteText(build + "/CMakeCache.txt", "CMAKE_BUILD_TYPE:STRING=\n");
  EXPECT_EQ(ProbeFrom(build + "/src/app"), build + "/src/app/Quelmar.ini");

  const std::string marked = temp_ / "stick/ミルテカ";
  fixtures::WriteText(marked + "/portable", "");
  EXPECT_EQ(ProbeFrom(marked), marked + "/Quelmar.ini");

  const std::string copied = temp_ / "copy";
  fixtures::WriteText(copied + "/Quelmar.ini", "[Setup]\r\n");
  EXPECT_EQ(ProbeFrom(copied), copied + "/Quelmar.ini");
}

}  // namespace
}  // namespace quelmar
