#pragma once

namespace quelmar {

// The application's title, which the message boxes carry.
inline constexpr const char* kApplicationTitle = "ミルテカ";

// Sets the running application's title to kApplicationTitle and its font to the windows' font,
// so that the dialogs share both.
void SetUpApplication();

}  // namespace quelmar
