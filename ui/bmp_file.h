// Parsing of Windows .BMP files shared by the two picture readers: headers, colour table, pixels.
#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>

class QPainter;
class QPixmap;

inline constexpr int kBmpFileHeaderSize = 14;
inline constexpr int kBmpCoreHeaderSize = 12;
inline constexpr int kBmpInfoHeaderSize = 40;

// Largest width or height either reader accepts; larger pictures are refused, not allocated.
inline constexpr int kBmpMaxSide = 32767;
// Largest number of pixels either reader decodes (128 MiB as 32-bit pixels).
inline constexpr std::int64_t kBmpMaxPixels = std::int64_t{1} << 25;

struct BmpFileHeader
{
    std::uint16_t type = 0;
    std::uint32_t fileSize = 0;    // at offset 2
    std::uint32_t pixelOffset = 0; // from the start of the file, 0 when not given
};

// The information header in its 40-byte form, whatever form the file holds.
struct BmpInfoHeader
{
    std::uint32_t size = 0; // header size as stored in the file: 12 for the core form
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows stored top to bottom
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

// Reads the 14-byte file header from `p`.
BmpFileHeader ReadBmpFileHeader(const unsigned char* p);

// Reads the information header at `p`, of which `available` bytes exist. The core form (12 bytes)
// is widened; forms of 16 to 39 bytes leave the fields they lack at 0; longer forms are read for
// their first 40 bytes. Returns false when the stored size is under 12, 13 to 15, or more than
// `available`.
bool ReadBmpInfoHeader(const unsigned char* p, std::int64_t available, BmpInfoHeader& header);

// Returns the number of colour-table entries: colours-used when not 0, else 2, 16 or 256 for 1, 4
// and 8 bits per pixel and none for other depths.
std::int64_t BmpColourCount(const BmpInfoHeader& header);

// Returns the size of one colour-table entry: 3 bytes for the core form, 4 for the others.
int BmpColourEntrySize(const BmpInfoHeader& header);

// Returns the bytes of one pixel row (rows are padded to 4 bytes), or 0 when the picture is not
// one the readers draw: uncompressed 1, 4, 8 or 24 bits, width and height 1 to kBmpMaxSide, at
// most kBmpMaxPixels pixels.
std::int64_t BmpRowBytes(const BmpInfoHeader& header);

// Reads `count` colour-table entries of `entrySize` bytes (blue, green, red[, unused]).
QList<QRgb> ReadBmpColourTable(const unsigned char* p, std::int64_t count, int entrySize);

// Decodes the pixel rows at `pixels` (`available` bytes) into an RGB32 image, top row first.
// Indices past the end of `table` give black. Returns a null image when the rows do not fit in
// `available` or the picture is not drawable (see BmpRowBytes).
QImage DecodeBmpPixels(const BmpInfoHeader& header, const QList<QRgb>& table,
                       const unsigned char* pixels, std::int64_t available);

// Paints `image` so that its top-left corner lands on (x, y) and its bottom-right corner on
// (x + width, y + height) in the painter's own coordinates, as the platform's stretching calls do:
// a negative width or height mirrors the picture in those coordinates, which keeps it upright
// when the painter's y axis grows upward. `smooth` chooses halftone rather than dropped lines.
void DrawBmpImage(QPainter* dc, int x, int y, int width, int height, const QImage& image,
                  bool smooth);
void DrawBmpImage(QPainter* dc, int x, int y, int width, int height, const QPixmap& pixmap,
                  bool smooth);
