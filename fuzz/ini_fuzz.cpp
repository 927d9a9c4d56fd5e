// Parses arbitrary bytes as a settings file, reads the ten keys, puts them back and renders
// the text. The rendered text must read back as itself, with the ten values in place.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "settings/ini_file.h"

namespace {

constexpr std::string_view kTextKeys[] = {"MarkBitmap", "ExceptFolder", "SourceFolder",
                                          "DestinationFolder", "SampleJPEG"};
constexpr std::string_view kNumberKeys[] = {"Position", "AlphaChannel", "JPEGQuality", "B/W",
                                            "MaskType"};

quelmar::TMemIniFile Parse(std::string_view text) {
  return quelmar::TMemIniFile::FromBytes(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    quelmar::TMemIniFile ini = quelmar::TMemIniFile::FromBytes(std::span(data, size));
    std::string texts[std::size(kTextKeys)];
    std::int32_t numbers[std::size(kNumberKeys)];
    for (std::size_t i = 0; i < std::size(kTextKeys); ++i) {
      texts[i] = ini.ReadText("Setup", kTextKeys[i], "");
    }
    for (std::size_t i = 0; i < std::size(kNumberKeys); ++i) {
      numbers[i] = ini.ReadNumber("Setup", kNumberKeys[i], -1);
    }
    for (std::size_t i = 0; i < std::size(kTextKeys); ++i) {
      ini.PutText("Setup", kTextKeys[i], texts[i]);
    }
    for (std::size_t i = 0; i < std::size(kNumberKeys); ++i) {
      ini.PutNumber("Setup", kNumberKeys[i], numbers[i]);
    }
    const std::string text = ini.Text();

    const quelmar::TMemIniFile again = Parse(text);
    Check(again.Text() == text);
    for (std::size_t i = 0; i < std::size(kTextKeys); ++i) {
      Check(again.ReadText("setup", kTextKeys[i], "?") == texts[i]);
    }
    for (std::size_t i = 0; i < std::size(kNumberKeys); ++i) {
      Check(again.ReadNumber("SETUP", kNumberKeys[i], 0) == numbers[i]);
    }
  } catch (const quelmar::Error&) {
  }
  return 0;
}
