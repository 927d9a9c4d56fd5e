#pragma once

namespace quelmar {

// The application's title, which the message boxes carry.
inline constexpr const char* kApplicationTitle = "ミルテカ";

// Sets the running application's title to kApplicationTitle, its font to the windows' font and
// its icon, so that the dialogs share them, and has Qt's own dialogs speak Japanese.
void SetUpApplication();

}  // namespace quelmar
