#include "convert/convert_file.h"

#include <fcntl.h>

#include <chrono>
#include <exception>
#include <utility>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/jpeg_file.h"
#include "image/photo_metadata.h"

namespace quelmar {

namespace {

// The reason a photo is too small: its size beside the logo's own.
std::string SizesText(std::int64_t width, std::int64_t height, const SharedLogo& mark) {
  if (width == 0 || height == 0) return "画素のない画像です";
  return "画像 " + std::to_string(width) + " × " + std::to_string(height) + " ピクセル、ロゴ " +
         std::to_string(mark.width()) + " × " + std::to_string(mark.height()) + " ピクセル";
}

// The full path: decodes jpeg upright, stamps it and encodes it with its colour profile. The
// compressed source goes before the encode, so that the photo is held once.
std::vector<std::uint8_t> StampDecoded(JpegFile& jpeg, const LogoImage& mark,
                                       const StampSettings& settings, std::int32_t quality) {
  // DecodeJpeg hands its own raster over to an empty target, so the photo is held once. A photo
  // stored turned is decoded upright, so that the logo lands in the corner the user sees.
  Raster24 photo;
  DecodeJpeg(jpeg, photo, jpeg.Orientation);
  std::vector<std::uint8_t>().swap(jpeg.data);
  jpeg.reservation.Release();
  StampLogo(photo, mark, settings);
  // The colour profile keeps the pixels' meaning.
  return EncodeJpeg(std::move(photo), static_cast<std::uint8_t>(quality & 0xFF), jpeg.MultiScan,
                    jpeg.IccProfile);
}

StampedJpeg StampOnce(const SourceFile& source, const SharedLogo& mark,
                      const StampSettings& settings, std::int32_t quality, StampChoices choices) {
  JpegFile jpeg;
  try {
    jpeg = ReadJpegFileAt(source.folder, source.name, source.path);
  } catch (const std::exception& e) {  // any reason at all: missing, locked, not a JPEG
    return {source.path + kNotReadSuffix, {}, FileOutcome::Result::kNotRead, e.what()};
  }
  const std::uint64_t bytes_in = jpeg.data.size();
  // An empty file reads as 0 x 0 pixels; it has nothing to decode, whatever the logo's size.
  // The logo goes onto the picture as it is seen, so it is fitted to the upright size; its copy
  // at that size is made (once for every photograph of the size) before the pixels are held.
  const PictureSize upright = UprightSize(jpeg);
  const std::shared_ptr<const LogoImage> logo =
      upright.width == 0 || upright.height == 0
          ? nullptr
          : mark.FittedTo(settings, upright.width, upright.height);
  if (logo == nullptr) {
    return {kSmallerThanLogo,
            {},
            FileOutcome::Result::kSmallerThanLogo,
            SizesText(upright.width, upright.height, mark),
            bytes_in};
  }
  // Copied out first: the full path lets the compressed source go before it encodes.
  const PhotoMetadata metadata =
      choices.keep_metadata ? ExtractPhotoMetadata(jpeg.data) : PhotoMetadata();
  StampedJpeg stamped{{}, {}, FileOutcome::Result::kConverted, {}, bytes_in};
  if (choices.lossless) {
    // Both paths carry the colour profile, when its chunks make a whole one, and nothing else
    // of the source's header; the kept metadata goes in below, the same way for both.
    const bool whole_profile = !jpeg.IccProfile.empty();
    LosslessJpeg lossless = StampLogoLossless(
        jpeg, *logo, settings,
        [whole_profile](std::uint8_t marker, std::span<const std::uint8_t> payload) {
          return whole_profile && KeepColourProfile(marker, payload);
        });
    stamped.lossless = LosslessStatus{lossless.outcome, lossless.reason};
    stamped.bytes = std::move(lossless.bytes);
  }
  if (stamped.bytes.empty()) stamped.bytes = StampDecoded(jpeg, *logo, settings, quality);
  if (choices.keep_metadata) {
    stamped.bytes = EmbedPhotoMetadata(metadata, std::move(stamped.bytes));
    stamped.source_time = ModificationTimeAt(source.folder, source.name);
  }
  return stamped;
}

}  // namespace

std::string LosslessNoteText(const std::string& source, const LosslessStatus& status) {
  if (status.outcome == LosslessOutcome::kNewTables) {
    return source +
           ": 元のハフマン表に必要な符号がないため、スキャン全体を新しい表で符号化し直しました";
  }
  if (status.outcome != LosslessOutcome::kFallback) return {};
  const char* reason = "対応していない符号化方式のため";
  switch (status.reason) {
    case LosslessFallback::kArithmetic:
      reason = "算術符号化の JPEG のため";
      break;
    case LosslessFallback::kPrecision:
      reason = "8 ビット以外の JPEG のため";
      break;
    case LosslessFallback::kOrientation:
      reason = "Exif の向きが 1 以外のため";
      break;
    case LosslessFallback::kDamaged:
      reason = "符号化データが壊れているか特殊な構成のため";
      break;
    case LosslessFallback::kLargeLogo:
      reason = "ロゴが写真の大部分を覆うため";
      break;
    default:
      break;
  }
  return source + ": " + reason + "、ロスレスではなく通常の変換で書きました";
}

StampedJpeg StampJpegFile(const SourceFile& source, const SharedLogo& mark,
                          const StampSettings& settings, std::int32_t quality,
                          StampChoices choices) {
  const auto start = std::chrono::steady_clock::now();
  // Files converted on several threads at once share the memory budget: a file whose memory
  // others held is converted again once it has the budget to itself. Only a file that cannot
  // have its memory even alone fails, and the walk names it.
  StampedJpeg stamped =
      ShareMemoryBudget([&] { return StampOnce(source, mark, settings, quality, choices); });
  stamped.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return stamped;
}

StampedJpeg StampJpegFile(const std::string& source, const SharedLogo& mark,
                          const StampSettings& settings, std::int32_t quality,
                          StampChoices choices) {
  return StampJpegFile(SourceFile{AT_FDCWD, source, source}, mark, settings, quality, choices);
}

void KeepSourceTime(const StampedJpeg& stamped, int folder, const std::string& name) {
  if (stamped.source_time) (void)SetModificationTimeAt(folder, name, *stamped.source_time);
}

std::string ConvertFile(const std::string& source, const std::string& output,
                        const SharedLogo& mark, const StampSettings& settings, std::int32_t quality,
                        StampChoices choices) {
  StampedJpeg stamped = StampJpegFile(source, mark, settings, quality, choices);
  if (!stamped.message.empty()) return stamped.message;
  WriteJpegFile(output, stamped.bytes);
  KeepSourceTime(stamped, AT_FDCWD, output);
  return stamped.message;
}

}  // namespace quelmar
