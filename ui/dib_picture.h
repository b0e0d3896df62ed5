// Screen picture reader: loads a .BMP file once into a palette and a device bitmap, paints it
// often.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QRgb>

#include <string>

class QPainter;
class QWidget;

class CDibPicture
{
public:
    // Paint modes: natural size at a position, or stretched over a rectangle.
    static constexpr int kModeCopy = 0;
    static constexpr int kModeStretch = 1;

    CDibPicture() = default;
    CDibPicture(const CDibPicture&) = delete;
    CDibPicture& operator=(const CDibPicture&) = delete;

    // Loads the picture at `path` after releasing any earlier one. Returns 1 when loaded, 0 when
    // the file is missing, unreadable, not a 1, 4, 8 or 24-bit picture with a 12 or 40-byte
    // information header, or claims more than it holds.
    int Load(const std::string& path);

    // Forgets the picture: palette, bitmap, both blocks, the loaded flag and the rectangle.
    void Release();

    // Paints the loaded picture; nothing when none is loaded. kModeStretch stretches it over
    // `rect`; kModeCopy copies it at natural size to the rectangle's top-left corner.
    void Paint(QPainter* dc, const QRect& rect, int mode) const;

    // Paints the loaded picture at (x, y) at its natural size; when x or y is -1 it is centred in
    // `window`'s rectangle instead.
    void Paint(QWidget* window, QPainter* dc, int x, int y, int mode) const;

    // Returns 1 and the size of the picture at `path`, or 0 (width and height then untouched).
    // The picture is loaded into a scratch object and released again.
    static int Measure(const std::string& path, int& width, int& height);

    bool IsLoaded() const { return loaded_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The picture's own rectangle, (0, 0, width, height) once loaded.
    const QRect& Rect() const { return rect_; }
    // The colour table's colours, or the fixed 256-colour palette of a 24-bit picture without one.
    const QList<QRgb>& Palette() const { return palette_; }
    // Information header in its 40-byte form, colour table with 4-byte entries, and pixel rows.
    const QByteArray& PackedPicture() const { return packed_; }
    // The decoded picture, top row first.
    const QImage& Image() const { return image_; }

private:
    QList<QRgb> palette_;
    QImage image_;
    QPixmap bitmap_; // made once when a GUI application exists, so that a repaint is one copy
    QByteArray packed_;
    QByteArray header_; // file header and information header as read
    bool loaded_ = false;
    int width_ = 0;
    int height_ = 0;
    QRect rect_;
};
