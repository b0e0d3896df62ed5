// Fuzzes the help archive reader: whole archives, "#SYSTEM" files, tables of contents and paths.
// The first byte chooses what the rest is fed to.
#include "platform/chm_archive.h"

#include <QFile>

#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 4) {
    case 0:
        ParseChmSystem(bytes);
        break;
    case 1:
        ParseChmContents(bytes);
        break;
    case 2:
        NormalizeChmPath(DecodeChmText(bytes));
        break;
    default: {
        static const QString path =
            QStringLiteral("/tmp/zolt-fuzz-chm-%1.chm").arg(qint64(getpid()));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 0;
        file.close();
        ChmLimits limits;
        limits.timeoutMs = 5000;
        ChmArchive archive;
        if (archive.Open(path, limits)) {
            for (const QString& name : archive.Files())
                archive.Read(name);
            archive.Contents();
        }
        break;
    }
    }
    return 0;
}
