// Lookup of the built-in pictures.
#include "app/pictures.h"

#include <QFile>

QPixmap LoadPicture(const QString& name)
{
    for (const char* ext : {".png", ".bmp"}) {
        QString path = ":/pictures/" + name + ext;
        if (QFile::exists(path))
            return QPixmap(path);
    }
    return {};
}
