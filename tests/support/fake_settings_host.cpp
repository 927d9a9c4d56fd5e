#include "support/fake_settings_host.h"

#include "base/errors.h"
#include "base/files.h"
#include "base/paths.h"

namespace quelmar::fixtures {

std::string FakeSettingsHost::EditText(EditField field) const {
  return texts_[static_cast<std::size_t>(field)];
}

void FakeSettingsHost::SetEditText(EditField field, const std::string& text) {
  std::string& slot = texts_[static_cast<std::size_t>(field)];
  if (slot == text) return;
  slot = text;
  if (field != EditField::kLogo) return;
  try {
    Edit1Change();
  } catch (const Error& e) {
    reports.push_back(e.what());
  }
}

void FakeSettingsHost::Edit1Change() {
  const std::string& text = texts_[0];
  edit1_changes.push_back(text);
  if (!FileExists(text)) {
    logo_loaded = false;
    return;
  }
  // Read as the window reads a logo, so that an unreadable file is reported like one.
  const std::vector<std::uint8_t> bytes = ReadWholeFile(text);
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') throw EInvalidBitmap();
  logo_loaded = true;
}

}  // namespace quelmar::fixtures
