#include "convert/walk_order.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

using ::testing::ElementsAre;

TEST(ListWalkOrder, ListsSubFoldersFirst_ThenJpgThenJpeg_SkippingExcludedAndHiddenFolders) {
  TempFolder temp;
  for (const char* file : {"b.jpeg", "a.jpg", "c.JPG", "d.txt", "z/2.jpg", "z/1.jpeg", "m/x/1.jpg",
                           "raw/1.jpg", ".hidden/1.jpg", "写真/1.jpg"}) {
    WriteText(temp / file, "");
  }
  const std::string root = temp.path();
  EXPECT_THAT(
      ListWalkOrder(root, {"raw"}),
      ElementsAre(root + "/m/x/1.jpg", root + "/z/2.jpg", root + "/z/1.jpeg", root + "/写真/1.jpg",
                  root + "/a.jpg", root + "/c.JPG", root + "/b.jpeg"));
}

TEST(ListWalkOrder, GivesNothing_ForAFolderThatCannotBeListed) {
  TempFolder temp;
  EXPECT_TRUE(ListWalkOrder(temp / "missing", {}).empty());
}

}  // namespace
}  // namespace quelmar
