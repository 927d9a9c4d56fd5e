#include <exiv2/exiv2.hpp>

#include <exception>
#include <mutex>
#include <string_view>

#include "image/meta/jpeg_header_segments.h"
#include "image/photo_metadata.h"

namespace quelmar {

namespace {

std::mutex xmp_toolkit;

void LockXmpToolkit(void* mutex, bool lock) {
  if (lock) {
    static_cast<std::mutex*>(mutex)->lock();
  } else {
    static_cast<std::mutex*>(mutex)->unlock();
  }
}

// The library writes warnings to the standard error unless told not to, and its XMP toolkit
// must be started once, before any thread uses it, with a lock that serialises its calls.
void PrepareLibrary() {
  static std::once_flag prepared;
  std::call_once(prepared, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize(LockXmpToolkit, &xmp_toolkit);
  });
}

// Sets key to value where the data already hold it.
template <class Data, class Key, class Value>
void UpdateIfPresent(Data& data, const char* key, const Value& value) {
  const auto found = data.findKey(Key(key));
  if (found != data.end()) *found = value;
}

void AddExif(const std::vector<std::uint8_t>& tiff, int width, int height, Exiv2::Image& image) {
  if (tiff.empty()) return;
  Exiv2::ExifData exif;
  const Exiv2::ByteOrder order =
      Exiv2::ExifParser::decode(exif, tiff.data(), static_cast<std::uint32_t>(tiff.size()));
  if (order == Exiv2::invalidByteOrder || exif.empty()) return;
  Exiv2::ExifThumb(exif).erase();
  using Key = Exiv2::ExifKey;
  UpdateIfPresent<Exiv2::ExifData, Key>(exif, "Exif.Image.Orientation", std::uint16_t{1});
  UpdateIfPresent<Exiv2::ExifData, Key>(exif, "Exif.Image.ImageWidth",
                                        static_cast<std::uint32_t>(width));
  UpdateIfPresent<Exiv2::ExifData, Key>(exif, "Exif.Image.ImageLength",
                                        static_cast<std::uint32_t>(height));
  exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(width);
  exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(height);
  image.setByteOrder(order);
  image.setExifData(exif);
}

void AddXmp(const std::string& packet, int width, int height, Exiv2::Image& image) {
  Exiv2::XmpData xmp;
  if (packet.empty() || Exiv2::XmpParser::decode(xmp, packet) != 0 || xmp.empty()) return;
  using Key = Exiv2::XmpKey;
  UpdateIfPresent<Exiv2::XmpData, Key>(xmp, "Xmp.tiff.Orientation", std::string("1"));
  UpdateIfPresent<Exiv2::XmpData, Key>(xmp, "Xmp.tiff.ImageWidth", std::to_string(width));
  UpdateIfPresent<Exiv2::XmpData, Key>(xmp, "Xmp.tiff.ImageLength", std::to_string(height));
  UpdateIfPresent<Exiv2::XmpData, Key>(xmp, "Xmp.exif.PixelXDimension", std::to_string(width));
  UpdateIfPresent<Exiv2::XmpData, Key>(xmp, "Xmp.exif.PixelYDimension", std::to_string(height));
  image.setXmpData(xmp);
}

void AddIptc(const std::vector<std::uint8_t>& resources, Exiv2::Image& image) {
  const Exiv2::byte* record = nullptr;
  std::uint32_t header = 0;
  std::uint32_t size = 0;
  if (resources.empty() ||
      Exiv2::Photoshop::locateIptcIrb(resources.data(), static_cast<long>(resources.size()),
                                      &record, &header, &size) != 0) {
    return;
  }
  Exiv2::IptcData iptc;
  if (Exiv2::IptcParser::decode(iptc, record + header, size) == 0 && !iptc.empty()) {
    image.setIptcData(iptc);
  }
}

// Where a header segment's bytes lie in its stream, marker and length included.
struct ByteRange {
  std::size_t begin = 0;
  std::size_t end = 0;
};

ByteRange RangeOf(const std::vector<std::uint8_t>& jpeg, const HeaderSegment& segment) {
  const auto payload = static_cast<std::size_t>(segment.payload.data() - jpeg.data());
  return {payload - 4, payload + segment.payload.size()};
}

bool IsProfileChunk(const HeaderSegment& segment) {
  using namespace std::string_view_literals;
  return segment.marker == kMarkerApp2 && PayloadStartsWith(segment.payload, "ICC_PROFILE\0"sv);
}

// Where the colour profile goes back into the header the library wrote: after a JFIF segment
// or an EXIF segment that begins it (readers look for those first), else right after the
// start of image; 0 when the header does not begin with a segment.
std::size_t ProfileAnchor(const std::vector<std::uint8_t>& header) {
  using namespace std::string_view_literals;
  const std::vector<HeaderSegment> segments = ListHeaderSegments(header);
  if (segments.empty() || RangeOf(header, segments[0]).begin != 2) return 0;
  const HeaderSegment& first = segments[0];
  if ((first.marker == 0xE0 && PayloadStartsWith(first.payload, "JFIF\0"sv)) ||
      (first.marker == kMarkerApp1 && PayloadStartsWith(first.payload, "Exif\0\0"sv))) {
    return RangeOf(header, first).end;
  }
  return 2;
}

// Where the first scan begins: right after the last header segment, in a stream written by
// this system (no fill bytes between its segments); 0 when something else comes there.
std::size_t ScanStart(const std::vector<std::uint8_t>& jpeg,
                      const std::vector<HeaderSegment>& segments) {
  const std::size_t at = RangeOf(jpeg, segments.back()).end;
  return at + 1 < jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA ? at : 0;
}

// Runs add, and leaves out its kind of metadata when the library rejects it.
template <class Add>
void Keep(Add&& add) {
  try {
    add();
  } catch (const std::exception&) {
  }
}

// Writes metadata into header, a stream's header without a profile and ended by an end-of-image
// marker, through the library.
std::vector<std::uint8_t> WriteMetadata(const PhotoMetadata& metadata,
                                        const std::vector<std::uint8_t>& header) {
  // The library hands out its image in a deprecated smart pointer, left unnamed.
  const auto image = Exiv2::ImageFactory::open(header.data(), static_cast<long>(header.size()));
  // The stream's own header: its size, and no metadata yet.
  image->readMetadata();
  const int width = image->pixelWidth();
  const int height = image->pixelHeight();
  Keep([&] { AddExif(metadata.exif, width, height, *image); });
  Keep([&] { AddXmp(metadata.xmp, width, height, *image); });
  Keep([&] { AddIptc(metadata.photoshop, *image); });
  if (!metadata.comment.empty()) image->setComment(metadata.comment);
  image->writeMetadata();
  Exiv2::BasicIo& io = image->io();
  io.seek(0, Exiv2::BasicIo::beg);
  const Exiv2::DataBuf written = io.read(static_cast<long>(io.size()));
  return std::vector<std::uint8_t>(written.pData_, written.pData_ + written.size_);
}

}  // namespace

std::vector<std::uint8_t> EmbedPhotoMetadata(const PhotoMetadata& metadata,
                                             std::vector<std::uint8_t> jpeg) {
  if (metadata.empty()) return jpeg;
  const std::vector<HeaderSegment> segments = ListHeaderSegments(jpeg);
  if (segments.empty()) return jpeg;
  const std::size_t scan = ScanStart(jpeg, segments);
  if (scan == 0) return jpeg;
  PrepareLibrary();
  // The library gets the header alone, ended where the scans begin: it never reads or copies the
  // compressed pixels, which come back after its header as they were. It reads a colour profile
  // and writes it again only if it deems it valid; the profile's chunks therefore go around it
  // too, unchanged and in their order, and back near the front.
  std::vector<std::uint8_t> header(jpeg.begin(), jpeg.begin() + 2);
  std::vector<std::uint8_t> profile;
  for (const HeaderSegment& segment : segments) {
    const ByteRange range = RangeOf(jpeg, segment);
    std::vector<std::uint8_t>& into = IsProfileChunk(segment) ? profile : header;
    into.insert(into.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(range.begin),
                jpeg.begin() + static_cast<std::ptrdiff_t>(range.end));
  }
  header.insert(header.end(), {0xFF, 0xD9});
  std::vector<std::uint8_t> written;
  try {
    written = WriteMetadata(metadata, header);
  } catch (const std::exception&) {
    // What the library cannot write is dropped whole: the photo is kept without metadata.
    return jpeg;
  }
  // The library keeps the end-of-image marker last.
  const std::size_t anchor = ProfileAnchor(written);
  if (anchor == 0 || written.size() < anchor + 2 || written[written.size() - 2] != 0xFF ||
      written.back() != 0xD9) {
    return jpeg;
  }
  written.resize(written.size() - 2);
  written.insert(written.begin() + static_cast<std::ptrdiff_t>(anchor), profile.begin(),
                 profile.end());
  written.insert(written.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan), jpeg.end());
  return written;
}

}  // namespace quelmar
