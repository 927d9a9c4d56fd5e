#include "settings/settings_location.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace quelmar {
namespace {

SettingsPlace Installed() {
  SettingsPlace place;
  place.program_folder = "/usr/bin/";
  place.home = "/home/写真家";
  return place;
}

TEST(SettingsPathIn, KeepsTheFileBesideAProgramInItsBuildTreeOrAFolderMarkedPortable) {
  SettingsPlace build = Installed();
  build.program_folder = "/home/写真家/quelmar/build/src/app/";
  build.build_tree = true;
  build.config_home = "/home/写真家/.cfg";
  EXPECT_EQ(SettingsPathIn(build), "/home/写真家/quelmar/build/src/app/Quelmar.ini");

  SettingsPlace portable = Installed();
  portable.program_folder = "/media/stick/ミルテカ/";
  portable.portable = true;
  EXPECT_EQ(SettingsPathIn(portable), "/media/stick/ミルテカ/Quelmar.ini");
}

TEST(SettingsPathIn, KeepsTheFileBesideTheProgramWhenOneIsAlreadyThere) {
  SettingsPlace place = Installed();
  place.program_folder_has_file = true;
  EXPECT_EQ(SettingsPathIn(place), "/usr/bin/Quelmar.ini");
}

TEST(SettingsPathIn, UsesTheXdgConfigurationFolderForAnInstalledProgram) {
  SettingsPlace place = Installed();
  place.config_home = "/home/写真家/.cfg/";
  EXPECT_EQ(SettingsPathIn(place), "/home/写真家/.cfg/quelmar/Quelmar.ini");
  place.config_home = "/root/.config";  // root, whose every folder is writable, is no exception
  EXPECT_EQ(SettingsPathIn(place), "/root/.config/quelmar/Quelmar.ini");
}

TEST(SettingsPathIn, FallsBackToDotConfigWithoutOrWithARelativeXdgFolder) {
  SettingsPlace place = Installed();
  EXPECT_EQ(SettingsPathIn(place), "/home/写真家/.config/quelmar/Quelmar.ini");
  place.config_home = "relative/config";
  EXPECT_EQ(SettingsPathIn(place), "/home/写真家/.config/quelmar/Quelmar.ini");
}

TEST(SettingsPathIn, StaysBesideTheProgramWhenThereIsNoHomeAtAll) {
  SettingsPlace place = Installed();
  place.home.clear();
  EXPECT_EQ(SettingsPathIn(place), "/usr/bin/Quelmar.ini");
}

TEST(IsInBuildTree, FindsTheBuildFoldersCacheUpToThreeFoldersAbove) {
  fixtures::TempFolder temp;
  const std::string build = temp / "build";
  std::filesystem::create_directories(build + "/src/app/deep/deeper");
  std::ofstream(build + "/CMakeCache.txt") << "CMAKE_BUILD_TYPE:STRING=Release\n";
  const struct {
    std::string folder;
    bool in_build_tree;
  } cases[] = {
      {build, true},
      {build + "/", true},
      {build + "/src/app", true},
      {build + "/src/app/deep/", true},
      {build + "/src/app/deep/deeper", false},  // four folders down: not a place for programs
      {temp.path(), false},
      {temp / "elsewhere/bin", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsInBuildTree(c.folder), c.in_build_tree) << c.folder;

  // A folder of that name is no cache.
  std::filesystem::create_directories(temp / "fake/CMakeCache.txt");
  EXPECT_FALSE(IsInBuildTree(temp / "fake"));
  EXPECT_FALSE(IsInBuildTree("/"));
}

TEST(CurrentSettingsPlace, DescribesThisTestProgramsOwnFolderAsABuildTree) {
  const SettingsPlace place = CurrentSettingsPlace();
  ASSERT_FALSE(place.program_folder.empty());
  EXPECT_EQ(place.program_folder.back(), '/');
  EXPECT_NE(place.program_folder.find("tests"), std::string::npos);
  EXPECT_TRUE(place.build_tree);
}

}  // namespace
}  // namespace quelmar
