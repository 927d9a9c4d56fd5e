#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/sha256.h"
#include "image/logo_image.h"
#include "image/raster24.h"
#include "image/shared_logo.h"

namespace quelmar {

// The settings of a conversion that can change the bytes of its output, as (key, value) pairs
// named like the settings file's keys (RunHost::OutputSettings).
using OutputOptions = std::vector<std::pair<std::string, std::string>>;

// The digest of a logo's pixels (its size and every row, without the rows' padding), its alpha
// plane's too when it has one.
Sha256::Digest LogoDigest(const LogoImage& logo);

// The digest, in 64 hexadecimal digits, of everything besides the source that decides an
// output's bytes: the logo's pixels, the options in their order, and the version of the way
// this program makes outputs (raised whenever a change of the program changes them).
std::string SettingsDigest(const Sha256::Digest& logo, const OutputOptions& options);

// The digests of the logos a run stamps with, each made once: the logo is shared by many files
// and a window's logo may change during a run. Used from one thread.
class LogoDigests {
 public:
  const Sha256::Digest& Of(const SharedLogo& logo);

 private:
  // Held, so that no other logo can take its place at the same address.
  std::optional<SharedLogo> last_;
  Sha256::Digest digest_{};
};

// SettingsDigest of the logo and the output settings a file is converted with.
std::string ConversionDigest(LogoDigests& logos, const SharedLogo& logo,
                             const OutputOptions& options);

}  // namespace quelmar
