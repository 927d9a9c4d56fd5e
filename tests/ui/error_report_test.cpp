#include "ui/error_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/errors.h"
#include "fake_dialogs.h"

namespace quelmar {
namespace {

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
