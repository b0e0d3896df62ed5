// The program's small pictures (toolbar buttons, flags), built into the executable.
#pragma once

#include <QPixmap>
#include <QString>

// Returns the picture named `name` (without extension), or an empty pixmap when there is none.
QPixmap LoadPicture(const QString& name);
