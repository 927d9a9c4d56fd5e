// Writes the seed corpora of the fuzz targets: small valid files of every kind the readers
// accept, so that the fuzzer starts from inputs that reach deep into each reader.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/jpeg_file.h"
#include "image/raster24.h"
#include "support/png_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void Save(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void Save(const std::filesystem::path& path, const std::string& text) {
  Save(path, Bytes(text.begin(), text.end()));
}

// A bottom-up BMP with a 40-byte header, a palette of palette_size entries and the given
// pixel array.
Bytes Bitmap(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
             std::uint32_t palette_size, const Bytes& pixels) {
  Bytes b = {'B', 'M'};
  const std::uint32_t offset = 14 + 40 + palette_size * 4;
  Put32(b, offset + static_cast<std::uint32_t>(pixels.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, compression);
  Put32(b, compression == 0 ? 0 : static_cast<std::uint32_t>(pixels.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, palette_size);
  Put32(b, 0);
  for (std::uint32_t i = 0; i < palette_size; ++i) Put32(b, i * 0x010203u);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

void WriteBitmapSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  Save(dir / "rgb24.bmp", Bitmap(3, 2, 24, 0, 0, Bytes(24, 0x7F)));
  Save(dir / "indexed8.bmp", Bitmap(4, 2, 8, 0, 4, Bytes{0, 1, 2, 3, 3, 2, 1, 0}));
  Save(dir / "indexed4.bmp", Bitmap(4, 1, 4, 0, 16, Bytes{0x12, 0x34, 0, 0}));
  Save(dir / "mono.bmp", Bitmap(8, 1, 1, 0, 2, Bytes{0xA5, 0, 0, 0}));
  Save(dir / "rgb16.bmp", Bitmap(2, 1, 16, 0, 0, Bytes{0x1F, 0x7C, 0xE0, 0x03}));
  Save(dir / "rgb32.bmp", Bitmap(1, 1, 32, 0, 0, Bytes{1, 2, 3, 4}));
  Save(dir / "rle8.bmp", Bitmap(4, 2, 8, 1, 4, Bytes{2, 1, 0, 2, 1, 0, 0, 0, 0, 1}));
  Save(dir / "rle4.bmp", Bitmap(4, 2, 4, 2, 16, Bytes{4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 1}));
  Bytes masks;
  Put32(masks, 0xF800);
  Put32(masks, 0x07E0);
  Put32(masks, 0x001F);
  Bytes masked = Bitmap(2, 1, 16, 3, 0, Bytes{});
  masked.insert(masked.end(), masks.begin(), masks.end());
  masked.insert(masked.end(), {0x00, 0xF8, 0x1F, 0x00});
  Save(dir / "masks565.bmp", masked);
}

void WriteJpegSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  quelmar::Raster24 raster;
  raster.SetSize(17, 9);
  for (std::int32_t y = 0; y < raster.height(); ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t i = 0; i < 3 * raster.width(); ++i)
      row[i] = static_cast<std::uint8_t>(y * 29 + i * 7);
  }
  Save(dir / "baseline.jpg", quelmar::EncodeJpeg(raster, 75, false));
  Save(dir / "progressive.jpg", quelmar::EncodeJpeg(raster, 75, true));
  Save(dir / "tiny.jpg", quelmar::EncodeJpeg(raster, 5, false));
}

// Small PNG files of every colour type, some bit depths, interlaced and not, with transparency.
void WritePngSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  using quelmar::fixtures::PngPicture;
  const int kinds[][3] = {{0, 1, 0}, {0, 4, 1}, {0, 16, 0}, {2, 8, 1}, {2, 16, 0},
                          {3, 2, 0}, {3, 8, 1}, {4, 8, 0},  {6, 8, 1}, {6, 16, 0}};
  for (const auto& [type, depth, interlaced] : kinds) {
    PngPicture p{.width = 9,
                 .height = 5,
                 .colour_type = type,
                 .bit_depth = depth,
                 .interlaced = interlaced != 0};
    if (type == 3) p.palette = {0x102030, 0x405060, 0x708090};
    p.samples = quelmar::fixtures::RandomSamples(p, 7, p.palette.size());
    if (type == 3) p.transparency = std::vector<std::uint16_t>{0, 128};
    if (type == 2 && depth == 8) p.transparency = std::vector<std::uint16_t>{1, 2, 3};
    const std::string name = "type" + std::to_string(type) + "_" + std::to_string(depth) +
                             (interlaced != 0 ? "_interlaced" : "") + ".png";
    Save(dir / name, quelmar::fixtures::BuildPng(p));
  }
}

// A marker segment: FF, marker, the big-endian length, the payload.
Bytes MarkerSegment(std::uint8_t marker, const std::string& signature, const Bytes& body) {
  const std::size_t length = 2 + signature.size() + body.size();
  Bytes b = {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
             static_cast<std::uint8_t>(length & 0xFF)};
  b.insert(b.end(), signature.begin(), signature.end());
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Joined(const std::vector<Bytes>& parts) {
  Bytes b;
  for (const Bytes& part : parts) b.insert(b.end(), part.begin(), part.end());
  return b;
}

// EXIF in Motorola order: IFD0 with the orientation code only.
Bytes OrientationExif(std::uint8_t code) {
  return MarkerSegment(
      0xE1, std::string("Exif\0\0", 6),
      {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, code, 0, 0, 0, 0, 0, 0});
}

// EXIF in Intel order as a camera writes it: IFD0 (make, orientation 8, EXIF pointer), the
// EXIF directory (one date), IFD1 with a 4-byte thumbnail.
Bytes CameraExif() {
  Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
  const Bytes ifd0 = {3,    0,                                         // three entries
                      0x0F, 0x01, 2, 0, 4, 0, 0, 0, 'Q', 'C', 'm', 0,  // Make
                      0x12, 0x01, 3, 0, 1, 0, 0, 0, 8,   0,   0,   0,  // Orientation
                      0x69, 0x87, 4, 0, 1, 0, 0, 0, 50,  0,   0,   0,  // EXIF directory at 50
                      68,   0,    0, 0};                               // IFD1 at 68
  const Bytes exif = {1, 0, 0x03, 0x90, 2, 0, 4, 0, 0, 0, '2', '0', '2', 0, 0, 0, 0, 0};
  const Bytes ifd1 = {2,    0, 0x01, 0x02, 4, 0, 1, 0, 0, 0, 98, 0, 0, 0, 0x02,
                      0x02, 4, 0,    1,    0, 0, 0, 4, 0, 0, 0,  0, 0, 0, 0};
  tiff = Joined({tiff, ifd0, exif, ifd1, {0xFF, 0xD8, 0xFF, 0xD9}});
  return MarkerSegment(0xE1, std::string("Exif\0\0", 6), tiff);
}

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

void WriteMetadataSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  const Bytes xmp = MarkerSegment(
      0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29),
      Text("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/"
           "22-rdf-syntax-ns#'><rdf:Description rdf:about='' xmlns:tiff='http://ns.adobe.com/"
           "tiff/1.0/' tiff:Orientation='6'/></rdf:RDF></x:xmpmeta>"));
  const Bytes iptc =
      MarkerSegment(0xED, std::string("Photoshop 3.0\0", 14),
                    {'8', 'B', 'I', 'M', 4, 4, 0, 0, 0, 0, 0, 8, 0x1C, 2, 80, 0, 3, 'A', 'n', 'n'});
  const Bytes comment = MarkerSegment(0xFE, "", Text("a comment"));
  const std::string icc = std::string("ICC_PROFILE\0", 12);
  const Bytes chunks = Joined({MarkerSegment(0xE2, icc + "\x01\x02", Text("first half ")),
                               MarkerSegment(0xE2, icc + "\x02\x02", Text("second half"))});
  Save(dir / "orientation6.seg", OrientationExif(6));
  Save(dir / "camera.seg", CameraExif());
  Save(dir / "xmp.seg", xmp);
  Save(dir / "iptc.seg", iptc);
  Save(dir / "comment.seg", comment);
  Save(dir / "profile.seg", chunks);
  Save(dir / "everything.seg", Joined({CameraExif(), xmp, chunks, iptc, comment}));
  Save(dir / "two_exif.seg", Joined({OrientationExif(5), OrientationExif(3)}));
}

void WriteIniSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  Save(dir / "saved.ini",
       "[Setup]\r\nMarkBitmap=/tmp/logo.bmp\r\nExceptFolder=raw, \"my photos\"\r\n"
       "SourceFolder=/photos/\r\nDestinationFolder=/out/\r\nPosition=4\r\nAlphaChannel=127\r\n"
       "JPEGQuality=90\r\nB/W=250\r\nMaskType=2\r\nSampleJPEG=\r\n\r\n");
  // The NUL byte ends the text a reader sees; what follows it must be ignored.
  const char edited[] =
      "; comment\nstray\n[other]\nkey = value\n[setup]\nposition = $7\nB/W=0x1F\n"
      "AlphaChannel=-12\r[Setup]\rMaskType=+2\0tail";
  Save(dir / "edited.ini", std::string(edited, sizeof edited - 1));
}

void WriteCommaSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  Save(dir / "plain.txt", std::string("raw, old,tmp"));
  Save(dir / "quoted.txt", std::string("\"my photos\",tmp, \"a\"\"b\"x,,"));
  Save(dir / "open.txt", std::string("\"abc"));
  Save(dir / "japanese.txt", std::string("写真, \"古い 写真\""));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  WriteBitmapSeeds(root / "bitmap_fuzz");
  WriteJpegSeeds(root / "jpeg_fuzz");
  WritePngSeeds(root / "png_fuzz");
  WriteJpegSeeds(root / "lossless_fuzz");
  WriteIniSeeds(root / "ini_fuzz");
  WriteCommaSeeds(root / "comma_text_fuzz");
  WriteMetadataSeeds(root / "metadata_fuzz");
  return 0;
}
