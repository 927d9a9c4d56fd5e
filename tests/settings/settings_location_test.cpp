#include "settings/settings_location.h"

#include <gtest/gtest.h>

namespace quelmar {
namespace {

SettingsPlace Installed() {
  SettingsPlace place;
  place.program_folder = "/usr/bin/";
  place.home = "/home/写真家";
  return place;
}

TEST(SettingsPathIn, KeepsTheFileBesideAProgramInAFolderTheUserCanWrite) {
  SettingsPlace place = Installed();
  place.program_folder = "/home/写真家/quelmar/build/";
  place.program_folder_writable = true;
  place.config_home = "/home/写真家/.cfg";
  EXPECT_EQ(SettingsPathIn(place), "/home/写真家/quelmar/build/Quelmar.ini");
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

TEST(CurrentSettingsPlace, DescribesThisTestProgramsOwnFolder) {
  const SettingsPlace place = CurrentSettingsPlace();
  ASSERT_FALSE(place.program_folder.empty());
  EXPECT_EQ(place.program_folder.back(), '/');
  EXPECT_NE(place.program_folder.find("tests"), std::string::npos);
}

}  // namespace
}  // namespace quelmar
