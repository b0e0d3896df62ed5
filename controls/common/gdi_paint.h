// Drawing steps shared by both controls, on a QPainter but with the rules of the platform they
// were designed on: polylines leave out their end point, a rectangle with a one-pixel pen covers
// [l, r) x [t, b), a dotted pen repeats three pixels on and three off.
#pragma once

#include "controls/common/ole_color.h"

#include <QColor>
#include <QPoint>

#include <initializer_list>
#include <optional>

class QPainter;

// A rectangle as the platform keeps it: right and bottom are exclusive.
struct GdiRect
{
    int l = 0;
    int t = 0;
    int r = 0;
    int b = 0;

    bool operator==(const GdiRect&) const = default;
    GdiRect Moved(int dx, int dy) const { return {l + dx, t + dy, r + dx, b + dy}; }
};

// Draws the segments between consecutive points, each without its end point, one pixel wide.
void GdiPolyline(QPainter& dc, std::initializer_list<QPoint> points, const QColor& color);

// The same with a dotted pen: three pixels in `color`, three in `gap` (none: left untouched),
// the pattern running on across the corners.
void GdiDottedPolyline(QPainter& dc, std::initializer_list<QPoint> points, const QColor& color,
                       std::optional<QColor> gap);

// Fills [l, r) x [t, b) with `brush` and outlines it with a one-pixel `pen`. An empty or
// inverted rectangle paints nothing.
void GdiRectangle(QPainter& dc, const GdiRect& rect, const QColor& pen, const QColor& brush);

// Ring k of `rect`: the outline through (l+k, t+k) and (r-1-k, b-1-k), its upper-left half in
// `upperLeft` and its lower-right half in `lowerRight`.
void DrawRing(QPainter& dc, const GdiRect& rect, int k, const QColor& upperLeft,
              const QColor& lowerRight);

// The 3-D contour of a control: 0 flat, 1 raised, 2 sunken, 3 etched, drawn in the light and
// dark pens, pressed or not; shrinks `rect` by the contour's width (more on the left and top
// while pressed, which moves the content one pixel down and right). Other styles draw nothing.
void DrawContour(QPainter& dc, GdiRect& rect, int style, bool pressed, const QColor& light,
                 const QColor& dark);

// A one-pixel border in `color`; shrinks `rect` by 1 on every side.
void DrawBorder(QPainter& dc, GdiRect& rect, OLE_COLOR color);

// Background style 1 (opaque) or 2 (gradient, three colours in two bands split at b/2 or r/2
// of `rect` in control coordinates); style 0 and others paint nothing. `darken` darkens every
// fill colour by 20, as a disabled button does. `rect` is not changed.
struct BackgroundStyle
{
    int style = 0;
    OLE_COLOR opaque = 0xFFFFFF;
    int orientation = 0; // 0: top to bottom, 1: left to right, others: no gradient
    OLE_COLOR gradient1 = 0xFFFFFF;
    OLE_COLOR gradient2 = 0xFFFF00;
    OLE_COLOR gradient3 = 0xFF0000;
};
void DrawBackground(QPainter& dc, const GdiRect& rect, const BackgroundStyle& background,
                    bool darken);

// Paints one gradient band from `start` to `end`, one column (horizontal) or row (vertical,
// from the bottom up) at a time, at most 255 of them: a wider band is first filled with the
// start colour. Returns -1 without a painter, else 1.
int GradientBand(QPainter* dc, bool horizontal, const GdiRect& band, OLE_COLOR start,
                 OLE_COLOR end, double fraction = 1.0);

// The button's focus mark: style 0 a dotted outline 3 pixels inside `rect` in `textColor`,
// style 1 first fills `rect` with `focusColor`; other styles draw nothing.
void DrawFocusMark(QPainter& dc, const GdiRect& rect, int style, OLE_COLOR textColor,
                   OLE_COLOR focusColor);

// The pens of the contour: the palette's button colour lightened and darkened by 128.
QColor LightPen(const QColor& buttonFace);
QColor DarkPen(const QColor& buttonFace);
