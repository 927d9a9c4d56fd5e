#include "convert/output_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quelmar {
namespace {

OutputRecord SampleRecord() {
  return {{123456, 1767225600, 123456789},
          {98765, 1767225601, 5},
          std::string(64, 'a'),
          PathDigest("写真/a.jpg")};
}

TEST(OutputRecord, ReadsBackWhatItWrites) {
  const std::vector<OutputRecord> records = {
      SampleRecord(),
      {{0, 0, 0}, {0, 0, 0}, std::string(64, '0'), PathDigest("")},
      {{~0ull, -86400, 999999999}, {1, 1, 1}, std::string(64, 'f'), PathDigest("x.jpg")}};
  for (const OutputRecord& record : records) {
    const std::string text = FormatRecord(record);
    EXPECT_LE(text.size(), kMostRecordBytes);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(ParseRecord(text), record) << text;
  }
}

TEST(OutputRecord, TrustsNoTextWithAnyByteChanged) {
  const std::string text = FormatRecord(SampleRecord());
  for (std::size_t i = 0; i < text.size(); ++i) {
    for (const char replacement : {'0', '9', 'a', 'F', ' ', '\0', '\n'}) {
      if (text[i] == replacement) continue;
      std::string damaged = text;
      damaged[i] = replacement;
      EXPECT_EQ(ParseRecord(damaged), std::nullopt) << "byte " << i << " -> " << +replacement;
    }
  }
}

TEST(OutputRecord, TrustsNoTextCutShortOrLengthened) {
  const std::string text = FormatRecord(SampleRecord());
  for (std::size_t size = 0; size < text.size(); ++size) {
    EXPECT_EQ(ParseRecord(text.substr(0, size)), std::nullopt) << size;
  }
  for (const char* tail : {" ", "\n", "0", " extra=1"}) {
    EXPECT_EQ(ParseRecord(text + tail), std::nullopt) << tail;
  }
  EXPECT_EQ(ParseRecord(std::string(1000, 'x')), std::nullopt);
}

TEST(OutputRecord, TrustsNoOtherVersionOrSpelling_EvenWithACheckThatFits) {
  // A record written by hand with its own fields reordered or numbers spelled otherwise is not
  // a record this program wrote, whatever its check says.
  std::string text = FormatRecord(SampleRecord());
  const std::string other_version = "quelmar-record/2" + text.substr(16);
  EXPECT_EQ(ParseRecord(other_version), std::nullopt);
  const std::size_t source = text.find("source=");
  std::string padded = text;
  padded.insert(source + 7, "0");
  EXPECT_EQ(ParseRecord(padded), std::nullopt);
}

TEST(PathDigest, DiffersForEveryPath) {
  EXPECT_NE(PathDigest("a/b.jpg"), PathDigest("a/B.jpg"));
  EXPECT_NE(PathDigest("a/b.jpg"), PathDigest("a//b.jpg"));
  EXPECT_EQ(PathDigest("a/b.jpg").size(), 64u);
}

}  // namespace
}  // namespace quelmar
