#pragma once

#include <QPixmap>

namespace quelmar {

// The program's 32 x 32 icon: a photograph print with a vermilion seal on its corner.
QPixmap ProgramIconPixmap();

}  // namespace quelmar
