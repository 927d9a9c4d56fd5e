#pragma once

#include <cstdint>

namespace quelmar {

// The marker codes (the byte after FF) that the stream readers and writers name.
inline constexpr std::uint8_t kJpegFirstRestart = 0xD0;  // RST0; RST1..RST7 follow
inline constexpr std::uint8_t kJpegSoi = 0xD8;
inline constexpr std::uint8_t kJpegEoi = 0xD9;
inline constexpr std::uint8_t kJpegSos = 0xDA;
inline constexpr std::uint8_t kJpegDqt = 0xDB;
inline constexpr std::uint8_t kJpegDht = 0xC4;
inline constexpr std::uint8_t kJpegDri = 0xDD;
inline constexpr std::uint8_t kJpegApp0 = 0xE0;   // JFIF
inline constexpr std::uint8_t kJpegApp1 = 0xE1;   // Exif
inline constexpr std::uint8_t kJpegApp2 = 0xE2;   // ICC profile
inline constexpr std::uint8_t kJpegApp14 = 0xEE;  // Adobe
inline constexpr std::uint8_t kJpegComment = 0xFE;

}  // namespace quelmar
