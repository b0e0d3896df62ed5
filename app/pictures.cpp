// Lookup of the built-in pictures.
#include "app/pictures.h"

#include <QFile>

// The resources live in a static library, so they must be registered by hand.
static void InitPictures()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(pictures);
        done = true;
    }
}

QPixmap LoadPicture(const QString& name)
{
    InitPictures();
    for (const char* ext : {".png", ".bmp"}) {
        QString path = ":/pictures/" + name + ext;
        if (QFile::exists(path))
            return QPixmap(path);
    }
    return {};
}
