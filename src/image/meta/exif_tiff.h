#pragma once

#include <cstdint>
#include <span>

namespace quelmar {

// Readers of the TIFF structure that an EXIF segment holds (the bytes after "Exif\0\0"). Both
// distrust their input: every offset and count is checked against the bytes before it is
// followed, and neither ever fails or reads outside tiff.

// The orientation code 2..8 of the first image directory (tag 0x0112, one SHORT), or 1 when
// the picture is stored upright, when the tag is missing or has another type or count, when
// its value is outside 1..8 (0 and 9 included), or when the header or the directory does not
// lie within tiff (a forged offset, an entry count that runs past the end).
std::uint8_t ExifOrientation(std::span<const std::uint8_t> tiff);

// Whether the whole structure a metadata library would walk lies within tiff: the directory
// chain from the first directory, the EXIF, GPS, interoperability and sub-image directories
// they point to, and the value of every entry. False for an offset outside tiff, a value
// running past its end, a directory reached twice (a loop), or more directories than any
// camera writes.
bool ExifStructureIsSound(std::span<const std::uint8_t> tiff);

}  // namespace quelmar
