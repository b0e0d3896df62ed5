#include "ui/paint_bmp_file.h"

#include "ui/bmp_file.h"

#include <QByteArray>
#include <QFile>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace {

// Largest piece read from the file at a time.
constexpr std::int64_t kReadPiece = 0x8000;

} // namespace

void BmpFitSize(int pictureWidth, int pictureHeight, int boxWidth, int boxHeight, int& width,
                int& height)
{
    width = boxWidth;
    height = boxHeight;
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return;
    const std::int64_t absWidth = std::llabs(static_cast<std::int64_t>(boxWidth));
    const std::int64_t absHeight = std::llabs(static_cast<std::int64_t>(boxHeight));
    std::int64_t k = absWidth / pictureWidth;
    // Lowering k until the height fits ends at the same whole number as this division.
    if (k >= 1)
        k = std::min(k, absHeight / pictureHeight);
    if (k < 1)
        return;
    width = static_cast<int>(pictureWidth * k * (boxWidth < 0 ? -1 : 1));
    height = static_cast<int>(pictureHeight * k * (boxHeight < 0 ? -1 : 1));
}

int PaintBmpFile(QPainter* dc, int x, int y, int boxWidth, int boxHeight, const std::string& path)
{
    if (!dc)
        return 0;
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    unsigned char head[kBmpFileHeaderSize];
    if (file.read(reinterpret_cast<char*>(head), kBmpFileHeaderSize) != kBmpFileHeaderSize)
        return 0;
    const BmpFileHeader fileHeader = ReadBmpFileHeader(head);

    // The rest of the file as the header sizes it; a size beyond the real file would be a short
    // read, so it fails before anything is allocated.
    const std::int64_t restSize =
        static_cast<std::int64_t>(fileHeader.fileSize) - kBmpFileHeaderSize;
    if (restSize < kBmpCoreHeaderSize || restSize > file.size() - kBmpFileHeaderSize)
        return 0;
    QByteArray rest(restSize, Qt::Uninitialized);
    for (std::int64_t done = 0; done < restSize;) {
        const std::int64_t piece = std::min(kReadPiece, restSize - done);
        if (file.read(rest.data() + done, piece) != piece)
            return 0;
        done += piece;
    }
    file.close();
    const auto* data = reinterpret_cast<const unsigned char*>(rest.constData());

    BmpInfoHeader info;
    if (!ReadBmpInfoHeader(data, restSize, info))
        return 0;
    const std::int64_t colours = BmpColourCount(info);
    const int entrySize = BmpColourEntrySize(info);
    if (colours > (restSize - info.size) / entrySize)
        return 0;
    const QList<QRgb> table = ReadBmpColourTable(data + info.size, colours, entrySize);

    // Pixels follow the colour table unless the file header places them elsewhere.
    std::int64_t pixelStart = info.size + colours * entrySize;
    if (fileHeader.pixelOffset != 0) {
        const std::int64_t offset =
            static_cast<std::int64_t>(fileHeader.pixelOffset) - kBmpFileHeaderSize;
        if (offset < info.size || offset > restSize)
            return 0;
        pixelStart = offset;
    }
    const QImage image = DecodeBmpPixels(info, table, data + pixelStart, restSize - pixelStart);
    if (image.isNull())
        return 0;

    int width = 0;
    int height = 0;
    BmpFitSize(image.width(), image.height(), boxWidth, boxHeight, width, height);
    DrawBmpImage(dc, x, y, width, height, image, true);
    return 1;
}
