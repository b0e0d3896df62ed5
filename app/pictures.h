// The program's small pictures (toolbar buttons, flags, the window icon), built into the
// executable.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// Returns the picture named `name` as an icon holding every form drawn for it: `name`, its
// double-resolution form `name@2x` (for a screen scaled by 2) and any sized forms
// `name_<size>`. Null when there is none.
QIcon LoadIcon(const QString& name);

// Returns the picture named `name` (without extension) in its plain form, or an empty pixmap
// when there is none.
QPixmap LoadPicture(const QString& name);
