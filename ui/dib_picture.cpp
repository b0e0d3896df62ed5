#include "ui/dib_picture.h"

#include "ui/bmp_file.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QWidget>

#include <cstdlib>

namespace {

// Reads exactly `count` bytes at `pos`; false when the file holds fewer.
bool ReadAt(QFile& file, std::int64_t pos, std::int64_t count, QByteArray& out)
{
    if (pos < 0 || count < 0 || pos > file.size() || count > file.size() - pos)
        return false;
    out.resize(count);
    if (count == 0)
        return true;
    return file.seek(pos) && file.read(out.data(), count) == count;
}

// The palette a 24-bit picture without a colour table is shown with.
QList<QRgb> FixedPalette()
{
    QList<QRgb> palette;
    palette.reserve(256);
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(32 * (i % 8), 32 * ((i / 8) % 8), 64 * (i / 64)));
    return palette;
}

void PutU32(QByteArray& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutU16(QByteArray& out, std::uint16_t v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}

QByteArray PackHeader(const BmpInfoHeader& h)
{
    QByteArray out;
    PutU32(out, kBmpInfoHeaderSize);
    PutU32(out, static_cast<std::uint32_t>(h.width));
    PutU32(out, static_cast<std::uint32_t>(h.height));
    PutU16(out, h.planes);
    PutU16(out, h.bitCount);
    PutU32(out, h.compression);
    PutU32(out, h.sizeImage);
    PutU32(out, static_cast<std::uint32_t>(h.xPelsPerMeter));
    PutU32(out, static_cast<std::uint32_t>(h.yPelsPerMeter));
    PutU32(out, h.clrUsed);
    PutU32(out, h.clrImportant);
    return out;
}

} // namespace

int CDibPicture::Load(const std::string& path)
{
    Release();
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const std::int64_t fileSize = file.size();

    QByteArray fileHeader;
    QByteArray sizeField;
    if (!ReadAt(file, 0, kBmpFileHeaderSize, fileHeader) ||
        !ReadAt(file, kBmpFileHeaderSize, 4, sizeField))
        return 0;
    const auto* sizeBytes = reinterpret_cast<const unsigned char*>(sizeField.constData());
    const std::uint32_t headerSize = sizeBytes[0] | (sizeBytes[1] << 8) | (sizeBytes[2] << 16) |
                                     (static_cast<std::uint32_t>(sizeBytes[3]) << 24);
    if (headerSize != kBmpCoreHeaderSize && headerSize != kBmpInfoHeaderSize)
        return 0;
    QByteArray infoBytes;
    if (!ReadAt(file, kBmpFileHeaderSize, headerSize, infoBytes))
        return 0;
    BmpInfoHeader info;
    if (!ReadBmpInfoHeader(reinterpret_cast<const unsigned char*>(infoBytes.constData()),
                           infoBytes.size(), info))
        return 0;
    const BmpFileHeader file14 =
        ReadBmpFileHeader(reinterpret_cast<const unsigned char*>(fileHeader.constData()));

    const std::int64_t rowBytes = BmpRowBytes(info);
    if (rowBytes == 0)
        return 0;
    const std::int64_t height = std::llabs(static_cast<std::int64_t>(info.height));
    const std::int64_t pixelBytes = rowBytes * height;
    const std::int64_t colours = BmpColourCount(info);
    if (info.sizeImage == 0)
        info.sizeImage = static_cast<std::uint32_t>(pixelBytes);
    if (info.clrUsed == 0)
        info.clrUsed = static_cast<std::uint32_t>(colours);

    // The colour table follows the information header; its size is checked against the file
    // before anything is allocated for it.
    const int entrySize = BmpColourEntrySize(info);
    const std::int64_t tableStart = kBmpFileHeaderSize + headerSize;
    if (colours > (fileSize - tableStart) / entrySize)
        return 0;
    QByteArray tableBytes;
    if (!ReadAt(file, tableStart, colours * entrySize, tableBytes))
        return 0;
    const QList<QRgb> table = ReadBmpColourTable(
        reinterpret_cast<const unsigned char*>(tableBytes.constData()), colours, entrySize);

    std::int64_t pixelStart = tableStart + tableBytes.size();
    if (file14.pixelOffset != 0) {
        if (file14.pixelOffset < tableStart)
            return 0;
        pixelStart = file14.pixelOffset;
    }

    QList<QRgb> palette;
    if (!table.isEmpty())
        palette = table;
    else if (info.bitCount == 24)
        palette = FixedPalette();
    else
        return 0;

    QByteArray pixels;
    if (!ReadAt(file, pixelStart, pixelBytes, pixels))
        return 0;
    QImage image = DecodeBmpPixels(
        info, table, reinterpret_cast<const unsigned char*>(pixels.constData()), pixels.size());
    if (image.isNull())
        return 0;

    packed_ = PackHeader(info);
    packed_.reserve(packed_.size() + table.size() * 4 + pixels.size());
    for (QRgb c : table) {
        packed_.append(static_cast<char>(qBlue(c)));
        packed_.append(static_cast<char>(qGreen(c)));
        packed_.append(static_cast<char>(qRed(c)));
        packed_.append('\0');
    }
    packed_.append(pixels);
    header_ = fileHeader + infoBytes;
    palette_ = std::move(palette);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        bitmap_ = QPixmap::fromImage(image);
    image_ = std::move(image);
    width_ = info.width;
    height_ = static_cast<int>(height);
    rect_ = QRect(0, 0, width_, height_);
    loaded_ = true;
    return 1;
}

void CDibPicture::Release()
{
    palette_.clear();
    bitmap_ = QPixmap();
    image_ = QImage();
    packed_.clear();
    header_.clear();
    loaded_ = false;
    width_ = 0;
    height_ = 0;
    rect_ = QRect();
}

void CDibPicture::Paint(QPainter* dc, const QRect& rect, int mode) const
{
    if (!loaded_ || !dc)
        return;
    int width = 0;
    int height = 0;
    if (mode == kModeStretch) {
        width = rect.width();
        height = rect.height();
    } else if (mode == kModeCopy) {
        width = width_;
        height = height_;
    } else {
        return;
    }
    // Stretching drops lines rather than blending them, as the screen always did.
    if (!bitmap_.isNull())
        DrawBmpImage(dc, rect.x(), rect.y(), width, height, bitmap_, false);
    else
        DrawBmpImage(dc, rect.x(), rect.y(), width, height, image_, false);
}

void CDibPicture::Paint(QWidget* window, QPainter* dc, int x, int y, int mode) const
{
    if (!loaded_)
        return;
    if ((x == -1 || y == -1) && window) {
        const QRect area = window->rect();
        x = area.x() + (area.width() - width_) / 2;
        y = area.y() + (area.height() - height_) / 2;
    }
    Paint(dc, QRect(x, y, width_, height_), mode);
}

int CDibPicture::Measure(const std::string& path, int& width, int& height)
{
    CDibPicture picture;
    if (!picture.Load(path))
        return 0;
    width = picture.Width();
    height = picture.Height();
    return 1;
}
