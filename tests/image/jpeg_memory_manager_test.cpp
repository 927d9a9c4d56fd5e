#include <cstdint>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>
#include <jerror.h>
#include <jpeglib.h>

#include "base/errors.h"
#include "image/jpeg/jpeg_error_manager.h"
#include "image/jpeg/jpeg_memory_source.h"

namespace quelmar {
namespace {

// A decompression object with the system's error handler and a memory source, driven by hand.
class MemorySourceTest : public ::testing::Test {
 protected:
  void Attach(const std::vector<std::uint8_t>& data) {
    InitJpegErrorManager(errors_);
    cinfo_.err = &errors_.pub;
    jpeg_create_decompress(&cinfo_);
    AttachJpegMemorySource(&cinfo_, source_, data);
  }
  void TearDown() override { jpeg_destroy_decompress(&cinfo_); }

  // The bytes handed over by one call of fill_input_buffer.
  std::vector<std::uint8_t> Fill() {
    cinfo_.src->fill_input_buffer(&cinfo_);
    const JOCTET* next = cinfo_.src->next_input_byte;
    return {next, next + cinfo_.src->bytes_in_buffer};
  }

  jpeg_decompress_struct cinfo_{};
  JpegErrorManager errors_{};
  JpegMemorySource source_{};
};

TEST_F(MemorySourceTest, HandsOverPiecesOfAtMost4096BytesThenFakeEndOfImageMarkers) {
  std::vector<std::uint8_t> data(10000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13);
  Attach(data);
  EXPECT_EQ(Fill(), std::vector<std::uint8_t>(data.begin(), data.begin() + 4096));
  EXPECT_EQ(Fill(), std::vector<std::uint8_t>(data.begin() + 4096, data.begin() + 8192));
  EXPECT_EQ(Fill(), std::vector<std::uint8_t>(data.begin() + 8192, data.end()));
  for (int again = 0; again < 3; ++again) {
    EXPECT_EQ(Fill(), (std::vector<std::uint8_t>{0xFF, 0xD9})) << again;
  }
  EXPECT_EQ(errors_.pub.msg_code, JWRN_JPEG_EOF) << "the warning is given, silently";
}

TEST_F(MemorySourceTest, RaisesInputEmptyWhenNoByteWasEverHandedOver) {
  const std::vector<std::uint8_t> none;
  Attach(none);
  EXPECT_TRUE(FailsInLibjpeg(errors_, [&] { cinfo_.src->fill_input_buffer(&cinfo_); }));
  EXPECT_EQ(errors_.pub.msg_code, JERR_INPUT_EMPTY);
}

TEST_F(MemorySourceTest, SkipsAcrossPiecesAsAFileSourceWould) {
  std::vector<std::uint8_t> data(9000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  Attach(data);
  Fill();
  cinfo_.src->next_input_byte += 100;
  cinfo_.src->bytes_in_buffer -= 100;
  cinfo_.src->skip_input_data(&cinfo_, 5000);  // to offset 5100, inside the second piece
  ASSERT_EQ(cinfo_.src->bytes_in_buffer, 8192u - 5100u);
  EXPECT_EQ(*cinfo_.src->next_input_byte, data[5100]);
  cinfo_.src->skip_input_data(&cinfo_, 100001);  // far past the end
  EXPECT_EQ(cinfo_.src->bytes_in_buffer, 1u) << "skipping eats the fake markers like data";
  EXPECT_EQ(*cinfo_.src->next_input_byte, 0xD9);
}

TEST(RaiseJpegError, RaisesOutOfMemoryForTheLibrarysOutOfMemoryCode) {
  try {
    RaiseJpegError(JERR_OUT_OF_MEMORY);
    FAIL();
  } catch (const EOutOfMemory& error) {
    EXPECT_STREQ(error.what(), "メモリが足りません");
  }
  try {
    RaiseJpegError(JERR_NO_SOI);
    FAIL();
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), 53);
    EXPECT_STREQ(error.what(), "JPEG エラー #53");
  }
}

}  // namespace
}  // namespace quelmar
