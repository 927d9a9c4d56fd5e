#pragma once

#include <QIcon>
#include <QPixmap>

namespace quelmar {

// The program's 32 x 32 icon (a photograph print with a vermilion seal on its corner), the
// same artwork as the installed icons.
QPixmap ProgramIconPixmap();

// The icon of the program's windows.
QIcon ProgramWindowIcon();

}  // namespace quelmar
