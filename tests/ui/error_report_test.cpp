#include "ui/error_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/errors.h"
#include "fake_dialogs.h"

namespace quelmar {
namespace {

TEST(ErrorReportText, AddsAFullStopAfterAJapaneseCharacter) {
  EXPECT_EQ(ErrorReportText("ビットマップ イメージは有効ではありません"),
            "ビットマップ イメージは有効ではありません.");
}

TEST(ErrorReportText, AddsAFullStopAfterALetterOrDigit) {
  EXPECT_EQ(ErrorReportText("JPEG エラー #42"), "JPEG エラー #42.");
  EXPECT_EQ(ErrorReportText("abc"), "abc.");
}

TEST(ErrorReportText, AddsNothingAfterACharacterThatSortsAtOrBeforeTheFullStop) {
  EXPECT_EQ(ErrorReportText("done."), "done.");
  EXPECT_EQ(ErrorReportText("(x)"), "(x)");
  EXPECT_EQ(ErrorReportText("a-"), "a-");
  EXPECT_EQ(ErrorReportText("a "), "a ");
  EXPECT_EQ(ErrorReportText(""), "");
}

TEST(ErrorReportText, AddsAFullStopAfterTheSlashThatSortsAfterIt) {
  EXPECT_EQ(ErrorReportText("/tmp/"), "/tmp/.");
}

TEST(RunReporting, ShowsTheErrorOfAHandlerAndGoesOn) {
  fixtures::FakeDialogs dialogs;
  bool after = false;

  RunReporting(dialogs, [] { throw EInvalidBitmap(); });
  after = true;

  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0], ErrorReportText(EInvalidBitmap().what()));
  EXPECT_TRUE(after);
}

TEST(RunReporting, ShowsNothingWhenTheHandlerSucceeds) {
  fixtures::FakeDialogs dialogs;
  int runs = 0;
  RunReporting(dialogs, [&runs] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace quelmar
