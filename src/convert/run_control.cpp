#include "convert/run_control.h"

#include <exception>

#include "base/paths.h"
#include "convert/comma_text.h"
#include "convert/convert_folder.h"
#include "convert/path_containment.h"
#include "image/logo_file.h"

namespace quelmar {

namespace {

void Refuse(RunHost& host, const char* message, EditField field) {
  host.ShowMessage(message);
  host.Focus(field);
}

void ReturnToIdle(RunHost& host) {
  host.State().FStop = 1;
  host.SetButtonCaption(kConvertCaption);
  host.SetProgressPosition(0);
}

// Runs step, first returning the window to idle when it throws.
template <typename Step>
void OrIdle(RunHost& host, Step step) {
  try {
    step();
  } catch (...) {
    ReturnToIdle(host);
    throw;
  }
}

}  // namespace

void BitBtn1Click(RunHost& host) {
  RunState& state = host.State();
  if (state.FStop == 0) {
    state.FStop = 1;
    return;
  }

  const std::string logo = host.EditText(EditField::kLogo);
  if (!FileExists(logo)) return Refuse(host, kNoLogoMessage, EditField::kLogo);

  // The root folder keeps its only separator.
  std::string source = host.EditText(EditField::kSource);
  if (source.size() > 1 && source.back() == kPathSeparator) source.pop_back();
  state.FExceptFolders = ParseCommaText(host.EditText(EditField::kExclusions));
  if (!FolderExists(source)) return Refuse(host, kNoSourceMessage, EditField::kSource);

  // A doubled trailing separator becomes one; a single one stays.
  std::string output = host.EditText(EditField::kOutput);
  const std::size_t n = output.size();
  if (n >= 2 && output[n - 1] == kPathSeparator && output[n - 2] == kPathSeparator) {
    output.erase(n - 2, 1);
  }
  if (!FolderExists(output)) return Refuse(host, kNoOutputMessage, EditField::kOutput);
  if (IsSameOrBelow(output, source)) return Refuse(host, kContainedMessage, EditField::kSource);

  // Picks up a logo file changed on disk since it was chosen.
  LoadLogoFile(logo, state.FMark);

  host.SetButtonCaption(kCancelCaption);
  host.SetProgressMax(1);
  host.SetProgressPosition(0);
  host.ProcessEvents();
  state.FStop = 0;

  OrIdle(host, [&] { ConvertFolder(host, source, output); });

  if (state.FStop == 1) {
    host.SetProgressPosition(0);
    host.Beep();
    host.ShowMessage(kStoppedMessage);
  } else {
    state.FStop = 1;
    host.SetProgressPosition(host.ProgressPosition() + 1);
    // A settings file that cannot be written does not hide that the run finished.
    try {
      host.SaveSettings();
    } catch (const std::exception& error) {
      host.ReportError(error);
    }
    host.Beep();
    host.ShowMessage(kFinishedMessage);
  }
  host.SetButtonCaption(kConvertCaption);
}

}  // namespace quelmar
