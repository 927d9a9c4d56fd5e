#include "convert/conversion_pipeline.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/memory_budget.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

// The walk waits for a file a worker is still on with the window's events running. The worker
// is held at its start by a turn that needs the memory budget alone, which only the host's
// events give back: without them, Take would never return.
TEST(ConversionPipeline, LetsTheHostsEventsRunWhileItWaitsForAFile) {
  fixtures::TempFolder temp;
  const std::string source = temp / "src";
  fixtures::WriteBytes(source + "/1.jpg", fixtures::JpegBytes(64, 48, 1));
  WalkListing listing(source, {});
  while (listing.Step()) {
  }
  ASSERT_EQ(listing.files().size(), 1u);
  fixtures::FakeRunHost host;
  auto alone = std::make_unique<MemoryTurn>(MemoryTurn::Kind::kAlone);
  host.while_waiting = [&] { alone.reset(); };

  ConversionPipeline pipeline(listing, 1);
  const std::optional<RecordedWork> done = pipeline.Take(listing.files()[0].path, host);

  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->stamped.result, FileOutcome::Result::kConverted);
  EXPECT_FALSE(done->stamped.bytes.empty());
  EXPECT_GE(host.waits, 1);
  EXPECT_EQ(host.pumps, 0);  // only the wait's own hook ran, not the walk's event pump
}

}  // namespace
}  // namespace quelmar
