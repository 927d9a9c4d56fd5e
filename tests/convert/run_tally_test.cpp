#include "convert/run_tally.h"

#include <gtest/gtest.h>

namespace quelmar {
namespace {

TEST(RunTally, CountsEveryOutcomeThatIsNotAConversionAsAFailure) {
  using Result = FileOutcome::Result;
  RunTally tally;
  for (const Result result : {Result::kConverted, Result::kNotRead, Result::kConverted,
                              Result::kSmallerThanLogo, Result::kFolderNotRead}) {
    FileOutcome outcome;
    outcome.result = result;
    tally.Add(outcome);
  }
  EXPECT_EQ(tally.converted, 2);
  EXPECT_EQ(tally.failed, 3);
  // The wording the converter has always printed at the end of a run.
  EXPECT_EQ(tally.Text(), "変換したファイル 2、変換できなかったファイル 3");
  EXPECT_EQ(RunTally().Text(), "変換したファイル 0、変換できなかったファイル 0");
}

}  // namespace
}  // namespace quelmar
