// The logo exists once in memory during a run: the workers share the window's pixels instead
// of taking a copy, so a large logo costs its size once, not twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "base/memory_budget.h"
#include "convert/run_control.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

TEST(SharedLogo, IsHeldOnceWhileTheWorkersStampWithIt) {
  fixtures::TempFolder temp;
  // 2000 x 1500 pixels: 9 MB, against photos of a few kilobytes that are smaller than it.
  fixtures::WriteBytes(temp / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(2000, 1500)));
  for (int i = 0; i < 8; ++i) {
    fixtures::WriteBytes(temp / "src/" + std::to_string(i) + ".jpg",
                         fixtures::JpegBytes(32, 24, i));
  }
  std::filesystem::create_directories(temp / "out");
  for (const int jobs : {1, 2}) {
    fixtures::FakeRunHost host;
    host.jobs = jobs;
    host.fields[EditField::kLogo] = temp / "logo.bmp";
    host.fields[EditField::kSource] = temp / "src";
    host.fields[EditField::kOutput] = temp / "out";
    std::size_t most = 0;
    std::size_t logo_bytes = 0;
    host.on_pump = [&](int) {
      logo_bytes = std::size_t{3} * host.state.FMark.width() * host.state.FMark.height();
      most = std::max(most, MemoryInUse());
    };
    BitBtn1Click(host);
    ASSERT_EQ(host.questions.size(), 8u) << "every photo is smaller than the logo";
    ASSERT_EQ(logo_bytes, 9000000u);
    EXPECT_GE(most, logo_bytes);
    // Beside the logo, only the photos' few kilobytes.
    EXPECT_LT(most, logo_bytes + 1000000) << jobs << " workers";
  }
}

}  // namespace
}  // namespace quelmar
