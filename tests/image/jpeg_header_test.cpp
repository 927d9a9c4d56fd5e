#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/paths.h"
#include "image/jpeg_file.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::TempFolder;
using fixtures::WriteBytes;

struct Component {
  std::uint8_t id;
  std::uint8_t sampling;
  std::uint8_t table;
};

struct Frame {
  std::uint8_t sof = 0xC0;
  std::uint8_t precision = 8;
  std::uint16_t width = 16;
  std::uint16_t height = 16;
  std::vector<Component> components;       // none: one gray component
  std::vector<std::uint8_t> before_frame;  // segments between SOI and the frame
};

void Append(std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> more) {
  for (std::uint8_t b : more) bytes.push_back(b);
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value));
}

// A header up to and including the first scan's SOS segment, with no tables and no data: all
// that header reading looks at.
std::vector<std::uint8_t> Header(Frame frame) {
  if (frame.components.empty()) frame.components.push_back(Component{1, 0x11, 0});
  std::vector<std::uint8_t> bytes{0xFF, 0xD8};
  for (std::uint8_t b : frame.before_frame) bytes.push_back(b);
  Append(bytes, {0xFF, frame.sof});
  Put16(bytes, 8 + 3 * frame.components.size());
  bytes.push_back(frame.precision);
  Put16(bytes, frame.height);
  Put16(bytes, frame.width);
  bytes.push_back(static_cast<std::uint8_t>(frame.components.size()));
  for (const Component& c : frame.components) Append(bytes, {c.id, c.sampling, c.table});
  Append(bytes, {0xFF, 0xDA, 0x00, 0x08, 0x01, frame.components[0].id, 0x00, 0x00, 0x3F, 0x00});
  return bytes;
}

int ParseErrorCode(const std::vector<std::uint8_t>& bytes) {
  try {
    ParseJpegFile(bytes);
  } catch (const EJpegError& error) {
    return error.code();
  }
  return 0;
}

TEST(ParseJpegFile, TakesTheSizeAndScanCountFromTheHeader) {
  Frame frame;
  frame.width = 301;
  frame.height = 7;
  const JpegFile baseline = ParseJpegFile(Header(frame));
  EXPECT_EQ(baseline.width, 301u);
  EXPECT_EQ(baseline.height, 7u);
  EXPECT_FALSE(baseline.MultiScan);
  EXPECT_EQ(baseline.data, Header(frame));

  frame.sof = 0xC2;
  EXPECT_TRUE(ParseJpegFile(Header(frame)).MultiScan);
}

TEST(ParseJpegFile, CountsASequentialFileWithSeparateComponentScansAsMultiScan) {
  Frame frame;
  frame.components = {{1, 0x22, 0}, {2, 0x11, 1}, {3, 0x11, 1}};
  // The first scan carries only component 1.
  EXPECT_TRUE(ParseJpegFile(Header(frame)).MultiScan);
}

TEST(ParseJpegFile, ReadsAnEmptyFileAsAZeroByZeroSingleScanImage) {
  const JpegFile file = ParseJpegFile({});
  EXPECT_EQ(file.width, 0u);
  EXPECT_EQ(file.height, 0u);
  EXPECT_FALSE(file.MultiScan);
  EXPECT_TRUE(file.data.empty());
}

TEST(ParseJpegFile, PassesWidthAndHeight65500AndRefuses65501WithCode41) {
  Frame frame;
  frame.width = 65500;
  frame.height = 65500;
  EXPECT_EQ(ParseJpegFile(Header(frame)).width, 65500u);
  frame.width = 65501;
  EXPECT_EQ(ParseErrorCode(Header(frame)), 41);
  frame.width = 65500;
  frame.height = 65501;
  EXPECT_EQ(ParseErrorCode(Header(frame)), 41);
}

TEST(ParseJpegFile, RaisesTheLibrarysCodeForEachKindOfBadHeader) {
  Frame twelve_bit;
  twelve_bit.precision = 12;
  EXPECT_EQ(ParseErrorCode(Header(twelve_bit)), 15) << "sample precision other than 8";

  Frame bad_sampling;
  bad_sampling.components.push_back(Component{1, 0x51, 0});
  EXPECT_EQ(ParseErrorCode(Header(bad_sampling)), 18) << "sampling factor 5";

  Frame eleven;
  eleven.components.clear();
  for (std::uint8_t id = 1; id <= 11; ++id) eleven.components.push_back({id, 0x11, 0});
  EXPECT_EQ(ParseErrorCode(Header(eleven)), 26) << "more than 10 components";

  EXPECT_EQ(ParseErrorCode({0xFF, 0xD8, 0xFF, 0xD9}), 51) << "end of image before a scan";
  EXPECT_EQ(ParseErrorCode({0xFF, 0xD8}), 51) << "data end before a scan";

  const std::string text = "This is not a photograph.\n";
  EXPECT_EQ(ParseErrorCode({text.begin(), text.end()}), 53) << "text";

  Frame lossless;
  lossless.sof = 0xC3;
  EXPECT_EQ(ParseErrorCode(Header(lossless)), 60) << "lossless frame";
  Frame hierarchical;
  hierarchical.sof = 0xC5;
  EXPECT_EQ(ParseErrorCode(Header(hierarchical)), 60) << "hierarchical frame";

  Frame second_soi;
  second_soi.before_frame = {0xFF, 0xD8};
  EXPECT_EQ(ParseErrorCode(Header(second_soi)), 61) << "second SOI";

  Frame unknown_marker;
  unknown_marker.before_frame = {0xFF, 0xF0, 0x00, 0x02};
  EXPECT_EQ(ParseErrorCode(Header(unknown_marker)), 68) << "JPG0 marker";
}

TEST(ParseJpegFile, RefusesOutputThatARasterCannotHoldWithTheConversionCode) {
  constexpr int kUnsupportedConversion = 27;
  Frame cmyk;
  cmyk.components = {{1, 0x11, 0}, {2, 0x11, 0}, {3, 0x11, 0}, {4, 0x11, 0}};
  EXPECT_EQ(ParseErrorCode(Header(cmyk)), kUnsupportedConversion) << "CMYK";

  Frame ycck = cmyk;
  // An Adobe marker with transform 2.
  ycck.before_frame = {0xFF, 0xEE, 0x00, 0x0E, 'A',  'd',  'o',  'b',
                       'e',  0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x02};
  EXPECT_EQ(ParseErrorCode(Header(ycck)), kUnsupportedConversion) << "YCCK";

  Frame two = cmyk;
  two.components.resize(2);
  EXPECT_EQ(ParseErrorCode(Header(two)), kUnsupportedConversion) << "two components";

  Frame five = cmyk;
  five.components.push_back({5, 0x11, 0});
  EXPECT_EQ(ParseErrorCode(Header(five)), kUnsupportedConversion) << "five components";
}

TEST(ParseJpegFile, ShowsTheCodeInTheErrorMessage) {
  try {
    ParseJpegFile({'t', 'e', 'x', 't'});
    FAIL() << "text was accepted";
  } catch (const EJpegError& error) {
    EXPECT_STREQ(error.what(), "JPEG エラー #53");
  }
}

TEST(ReadJpegFile, ReadsTheWholeFileAndItsHeader) {
  TempFolder folder;
  Frame frame;
  frame.width = 640;
  frame.height = 480;
  std::vector<std::uint8_t> bytes = Header(frame);
  bytes.resize(10000, 0x5A);  // data after the header is kept, never parsed
  const std::string path = folder / "写真.jpg";
  WriteBytes(path, bytes);

  const JpegFile file = ReadJpegFile(path);
  EXPECT_EQ(file.data, bytes);
  EXPECT_EQ(file.width, 640u);
  EXPECT_EQ(file.height, 480u);
}

TEST(ReadJpegFile, ReadsAnEmptyFileWithoutError) {
  TempFolder folder;
  WriteBytes(folder / "empty.jpg", {});
  const JpegFile file = ReadJpegFile(folder / "empty.jpg");
  EXPECT_EQ(file.width, 0u);
  EXPECT_EQ(file.height, 0u);
  EXPECT_FALSE(file.MultiScan);
}

TEST(ReadJpegFile, FailsWithCode53ForATextFileNamedJpg) {
  TempFolder folder;
  const std::string text = "メモ: これは写真ではありません\n";
  WriteBytes(folder / "memo.jpg", {text.begin(), text.end()});
  try {
    ReadJpegFile(folder / "memo.jpg");
    FAIL() << "a text file was accepted";
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), 53);
  }
}

TEST(ReadJpegFile, FailsWithTheFileOpenErrorForAMissingFile) {
  TempFolder folder;
  const std::string path = folder / "ない.jpg";
  try {
    ReadJpegFile(path);
    FAIL() << "a missing file was read";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(std::string(error.what()),
              "ファイル \"" + FullPath(path) + "\". " + SystemErrorText(ENOENT) + " は開けません");
  }
}

}  // namespace
}  // namespace quelmar
