#include "ui/bmp_file.h"

#include <QPainter>
#include <QPixmap>

#include <cstdlib>
#include <type_traits>

namespace {

std::uint16_t U16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

BmpFileHeader ReadBmpFileHeader(const unsigned char* p)
{
    BmpFileHeader h;
    h.type = U16(p);
    h.fileSize = U32(p + 2);
    h.pixelOffset = U32(p + 10);
    return h;
}

bool ReadBmpInfoHeader(const unsigned char* p, std::int64_t available, BmpInfoHeader& header)
{
    header = BmpInfoHeader{};
    if (available < 4)
        return false;
    const std::uint32_t size = U32(p);
    if (size < static_cast<std::uint32_t>(kBmpCoreHeaderSize) || (size > 12 && size < 16) ||
        size > static_cast<std::uint64_t>(available))
        return false;
    header.size = size;
    if (size == kBmpCoreHeaderSize) {
        header.width = U16(p + 4);
        header.height = U16(p + 6);
        header.planes = U16(p + 8);
        header.bitCount = U16(p + 10);
        return true;
    }
    // Longer forms share the layout of the 40-byte form; a short one simply ends early.
    unsigned char full[kBmpInfoHeaderSize] = {};
    for (std::uint32_t i = 0; i < size && i < sizeof full; ++i)
        full[i] = p[i];
    header.width = static_cast<std::int32_t>(U32(full + 4));
    header.height = static_cast<std::int32_t>(U32(full + 8));
    header.planes = U16(full + 12);
    header.bitCount = U16(full + 14);
    header.compression = U32(full + 16);
    header.sizeImage = U32(full + 20);
    header.xPelsPerMeter = static_cast<std::int32_t>(U32(full + 24));
    header.yPelsPerMeter = static_cast<std::int32_t>(U32(full + 28));
    header.clrUsed = U32(full + 32);
    header.clrImportant = U32(full + 36);
    return true;
}

std::int64_t BmpColourCount(const BmpInfoHeader& header)
{
    if (header.clrUsed != 0)
        return header.clrUsed;
    switch (header.bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

int BmpColourEntrySize(const BmpInfoHeader& header)
{
    return header.size == kBmpCoreHeaderSize ? 3 : 4;
}

std::int64_t BmpRowBytes(const BmpInfoHeader& header)
{
    const int bits = header.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return 0;
    if (header.compression != 0) // run-length and bit-field pictures are not drawn
        return 0;
    const std::int64_t height = std::llabs(static_cast<std::int64_t>(header.height));
    if (header.width < 1 || header.width > kBmpMaxSide || height < 1 || height > kBmpMaxSide)
        return 0;
    if (header.width * height > kBmpMaxPixels)
        return 0;
    return (static_cast<std::int64_t>(bits) * header.width + 31) / 32 * 4;
}

QList<QRgb> ReadBmpColourTable(const unsigned char* p, std::int64_t count, int entrySize)
{
    QList<QRgb> table;
    table.reserve(count);
    for (std::int64_t i = 0; i < count; ++i) {
        const unsigned char* e = p + i * entrySize;
        table.append(qRgb(e[2], e[1], e[0]));
    }
    return table;
}

QImage DecodeBmpPixels(const BmpInfoHeader& header, const QList<QRgb>& table,
                       const unsigned char* pixels, std::int64_t available)
{
    const std::int64_t rowBytes = BmpRowBytes(header);
    if (rowBytes == 0)
        return {};
    const int width = header.width;
    const int height = static_cast<int>(std::llabs(static_cast<std::int64_t>(header.height)));
    if (rowBytes * height > available)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) // out of memory
        return {};
    const bool topDown = header.height < 0;
    const qsizetype colours = table.size();
    auto colour = [&](unsigned index) {
        return index < static_cast<unsigned>(colours) ? table[index] : qRgb(0, 0, 0);
    };
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = pixels + rowBytes * (topDown ? y : height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (header.bitCount) {
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = colour((row[x >> 3] >> (7 - (x & 7))) & 1);
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = colour((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
            break;
        case 8:
            for (int x = 0; x < width; ++x)
                out[x] = colour(row[x]);
            break;
        default: // 24
            for (int x = 0; x < width; ++x) {
                const unsigned char* px = row + 3 * x;
                out[x] = qRgb(px[2], px[1], px[0]);
            }
            break;
        }
    }
    return image;
}

namespace {

template <typename Picture>
void DrawStretched(QPainter* dc, int x, int y, int width, int height, const Picture& picture,
                   bool smooth)
{
    if (!dc || picture.isNull() || width == 0 || height == 0)
        return;
    dc->save();
    dc->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    dc->translate(x, y);
    dc->scale(static_cast<double>(width) / picture.width(),
              static_cast<double>(height) / picture.height());
    if constexpr (std::is_same_v<Picture, QImage>)
        dc->drawImage(0, 0, picture);
    else
        dc->drawPixmap(0, 0, picture);
    dc->restore();
}

} // namespace

void DrawBmpImage(QPainter* dc, int x, int y, int width, int height, const QImage& image,
                  bool smooth)
{
    DrawStretched(dc, x, y, width, height, image, smooth);
}

void DrawBmpImage(QPainter* dc, int x, int y, int width, int height, const QPixmap& pixmap,
                  bool smooth)
{
    DrawStretched(dc, x, y, width, height, pixmap, smooth);
}
