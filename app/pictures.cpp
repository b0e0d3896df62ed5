// Lookup of the built-in pictures.
#include "app/pictures.h"

#include <QDir>
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

static QString PicturePath(const QString& name)
{
    for (const char* ext : {".png", ".bmp"}) {
        QString path = ":/pictures/" + name + ext;
        if (QFile::exists(path))
            return path;
    }
    return {};
}

QIcon LoadIcon(const QString& name)
{
    InitPictures();
    QIcon icon;
    // Each form is added under its own pixel size; Qt picks the one that fits the screen's
    // scale, so a doubled screen gets the doubled drawing instead of a blurred enlargement.
    QStringList forms{name, name + "@2x"};
    for (const QString& sized :
         QDir(":/pictures").entryList({name + "_*.png"}, QDir::Files, QDir::Name))
        forms << sized.chopped(4);
    for (const QString& form : forms) {
        const QString path = PicturePath(form);
        if (!path.isEmpty())
            icon.addPixmap(QPixmap(path));
    }
    return icon;
}

QPixmap LoadPicture(const QString& name)
{
    InitPictures();
    const QString path = PicturePath(name);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}
