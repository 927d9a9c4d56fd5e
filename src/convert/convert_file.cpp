#include "convert/convert_file.h"

#include <fcntl.h>

#include <chrono>
#include <exception>
#include <utility>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/jpeg_file.h"

namespace quelmar {

namespace {

StampedJpeg StampOnce(const SourceFile& source, const Raster24& mark, const StampSettings& settings,
                      std::int32_t quality, bool lossless) {
  JpegFile jpeg;
  try {
    jpeg = ReadJpegFileAt(source.folder, source.name, source.path);
  } catch (const std::exception& e) {  // any reason at all: missing, locked, not a JPEG
    return {source.path + kNotReadSuffix, {}, FileOutcome::Result::kNotRead, e.what()};
  }
  const std::uint64_t bytes_in = jpeg.data.size();
  // An empty file reads as 0 x 0 pixels; it has nothing to decode, whatever the logo's size.
  const std::int64_t height = jpeg.height;
  const std::int64_t width = jpeg.width;
  if (width == 0 || height == 0 || height < mark.height() || width < mark.width()) {
    return {kSmallerThanLogo, {}, FileOutcome::Result::kSmallerThanLogo, {}, bytes_in};
  }
  std::optional<LosslessStatus> status;
  if (lossless) {
    LosslessJpeg stamped = StampLogoLossless(jpeg, mark, settings);
    status = LosslessStatus{stamped.outcome, stamped.reason};
    if (stamped.outcome != LosslessOutcome::kFallback) {
      StampedJpeg done;
      done.bytes = std::move(stamped.bytes);
      done.bytes_in = bytes_in;
      done.lossless = status;
      return done;
    }
  }
  // DecodeJpeg hands its own raster over to an empty target, so the photo is held once.
  Raster24 photo;
  DecodeJpeg(jpeg, photo);
  // The compressed source is not needed while the result is encoded.
  std::vector<std::uint8_t>().swap(jpeg.data);
  jpeg.reservation.Release();
  StampLogo(photo, mark, settings);
  return {{},
          EncodeJpeg(std::move(photo), static_cast<std::uint8_t>(quality & 0xFF), jpeg.MultiScan),
          FileOutcome::Result::kConverted,
          {},
          bytes_in,
          0,
          status};
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

StampedJpeg StampJpegFile(const SourceFile& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality, bool lossless) {
  const auto start = std::chrono::steady_clock::now();
  // Files converted on several threads at once share the memory budget: a file whose memory
  // others held is converted again once it has the budget to itself. Only a file that cannot
  // have its memory even alone fails, and the walk names it.
  StampedJpeg stamped =
      ShareMemoryBudget([&] { return StampOnce(source, mark, settings, quality, lossless); });
  stamped.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return stamped;
}

StampedJpeg StampJpegFile(const std::string& source, const Raster24& mark,
                          const StampSettings& settings, std::int32_t quality, bool lossless) {
  return StampJpegFile(SourceFile{AT_FDCWD, source, source}, mark, settings, quality, lossless);
}

std::string ConvertFile(const std::string& source, const std::string& output, const Raster24& mark,
                        const StampSettings& settings, std::int32_t quality) {
  StampedJpeg stamped = StampJpegFile(source, mark, settings, quality);
  if (stamped.message.empty()) WriteJpegFile(output, stamped.bytes);
  return stamped.message;
}

}  // namespace quelmar
