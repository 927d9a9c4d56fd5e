#include "convert/settings_digest.h"

#include <span>

namespace quelmar {

namespace {

// Raised whenever a change of the program changes the bytes it writes for the same source,
// logo and settings, so that outputs made before are made again.
constexpr std::uint64_t kOutputMaking = 1;

}  // namespace

namespace {

void AddPixels(Sha256& sha, const Raster24& pixels) {
  for (std::int32_t y = 0; y < pixels.height(); ++y) {
    sha.Add(std::span(pixels.Row(y), 3 * static_cast<std::size_t>(pixels.width())));
  }
}

}  // namespace

Sha256::Digest LogoDigest(const LogoImage& logo) {
  Sha256 sha;
  sha.AddNumber(static_cast<std::uint64_t>(logo.width()));
  sha.AddNumber(static_cast<std::uint64_t>(logo.height()));
  AddPixels(sha, logo.colour());
  // A logo without alpha hashes as it always did; one with alpha adds a mark and the plane.
  if (logo.has_alpha()) {
    sha.Add(std::string_view("alpha"));
    AddPixels(sha, logo.alpha());
  }
  return sha.Finish();
}

std::string SettingsDigest(const Sha256::Digest& logo, const OutputOptions& options) {
  Sha256 sha;
  sha.AddNumber(kOutputMaking);
  sha.Add(logo);
  // Lengths go first, so that no two lists of pairs run together into the same bytes.
  sha.AddNumber(options.size());
  for (const auto& [key, value] : options) {
    sha.AddNumber(key.size());
    sha.Add(key);
    sha.AddNumber(value.size());
    sha.Add(value);
  }
  return HexDigest(sha.Finish());
}

const Sha256::Digest& LogoDigests::Of(const SharedLogo& logo) {
  if (!last_ || &last_->get() != &logo.get()) {
    last_ = logo;
    digest_ = LogoDigest(logo.get());
  }
  return digest_;
}

std::string ConversionDigest(LogoDigests& logos, const SharedLogo& logo,
                             const OutputOptions& options) {
  return SettingsDigest(logos.Of(logo), options);
}

}  // namespace quelmar
