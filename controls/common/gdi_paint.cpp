// Drawing steps shared by both controls.
#include "controls/common/gdi_paint.h"

#include <QPainter>

#include <cstdlib>
#include <vector>

namespace {

// Calls `plot` for every pixel of the line from `a` to `b` without `b`, as the platform's line
// drawing visits them.
template <typename Plot> void WalkLine(QPoint a, QPoint b, Plot plot)
{
    const int dx = std::abs(b.x() - a.x());
    const int dy = -std::abs(b.y() - a.y());
    const int sx = a.x() < b.x() ? 1 : -1;
    const int sy = a.y() < b.y() ? 1 : -1;
    int err = dx + dy;
    int x = a.x();
    int y = a.y();
    while (x != b.x() || y != b.y()) {
        plot(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Plot(QPainter& dc, int x, int y, const QColor& color) { dc.fillRect(x, y, 1, 1, color); }

// Axis-aligned segments, which are all the controls draw, become one fill each.
void Segment(QPainter& dc, QPoint a, QPoint b, const QColor& color)
{
    if (a.y() == b.y() && a.x() != b.x()) {
        const int x0 = a.x() < b.x() ? a.x() : b.x() + 1;
        dc.fillRect(x0, a.y(), std::abs(b.x() - a.x()), 1, color);
    } else if (a.x() == b.x() && a.y() != b.y()) {
        const int y0 = a.y() < b.y() ? a.y() : b.y() + 1;
        dc.fillRect(a.x(), y0, 1, std::abs(b.y() - a.y()), color);
    } else {
        WalkLine(a, b, [&](int x, int y) { Plot(dc, x, y, color); });
    }
}

} // namespace

void GdiPolyline(QPainter& dc, std::initializer_list<QPoint> points, const QColor& color)
{
    const QPoint* p = points.begin();
    for (std::size_t i = 1; i < points.size(); ++i)
        Segment(dc, p[i - 1], p[i], color);
}

void GdiDottedPolyline(QPainter& dc, std::initializer_list<QPoint> points, const QColor& color,
                       std::optional<QColor> gap)
{
    int phase = 0;
    const QPoint* p = points.begin();
    for (std::size_t i = 1; i < points.size(); ++i) {
        WalkLine(p[i - 1], p[i], [&](int x, int y) {
            if (phase < 3)
                Plot(dc, x, y, color);
            else if (gap)
                Plot(dc, x, y, *gap);
            phase = (phase + 1) % 6;
        });
    }
}

void GdiRectangle(QPainter& dc, const GdiRect& rc, const QColor& pen, const QColor& brush)
{
    if (rc.r <= rc.l || rc.b <= rc.t)
        return;
    dc.fillRect(rc.l, rc.t, rc.r - rc.l, rc.b - rc.t, brush);
    if (pen == brush)
        return;
    GdiPolyline(dc, {{rc.l, rc.t}, {rc.r - 1, rc.t}, {rc.r - 1, rc.b - 1}, {rc.l, rc.b - 1},
                     {rc.l, rc.t}},
                pen);
    if (rc.r - rc.l == 1 || rc.b - rc.t == 1) // a closed path of one pixel's width
        dc.fillRect(rc.l, rc.t, rc.r - rc.l, rc.b - rc.t, pen);
}

void DrawRing(QPainter& dc, const GdiRect& rc, int k, const QColor& upperLeft,
              const QColor& lowerRight)
{
    const int l = rc.l + k;
    const int t = rc.t + k;
    const int r = rc.r - 1 - k;
    const int b = rc.b - 1 - k;
    GdiPolyline(dc, {{l, b}, {l, t}, {r, t}}, upperLeft);
    GdiPolyline(dc, {{r, t}, {r, b}, {l, b}}, lowerRight);
}

void DrawContour(QPainter& dc, GdiRect& rc, int style, bool pressed, const QColor& light,
                 const QColor& dark)
{
    int shrinkLeftTop = 0;
    int shrinkRightBottom = 0;
    switch (style) {
    case 0:
        DrawRing(dc, rc, 0, dark, dark);
        if (pressed) {
            DrawRing(dc, rc, 1, dark, dark);
            DrawRing(dc, rc, 2, light, light);
        } else {
            DrawRing(dc, rc, 1, light, light);
        }
        shrinkLeftTop = pressed ? 4 : 2;
        shrinkRightBottom = pressed ? 3 : 2;
        break;
    case 1:
        if (pressed) {
            DrawRing(dc, rc, 0, dark, dark);
            DrawRing(dc, rc, 1, dark, dark);
        } else {
            DrawRing(dc, rc, 0, light, dark);
        }
        shrinkLeftTop = pressed ? 3 : 1;
        shrinkRightBottom = pressed ? 2 : 1;
        break;
    case 2:
        DrawRing(dc, rc, 0, dark, light);
        if (pressed)
            DrawRing(dc, rc, 1, dark, dark);
        shrinkLeftTop = pressed ? 3 : 1;
        shrinkRightBottom = pressed ? 2 : 1;
        break;
    case 3:
        DrawRing(dc, rc, 0, light, dark);
        DrawRing(dc, rc, 2, dark, light);
        if (pressed)
            DrawRing(dc, rc, 3, dark, dark);
        shrinkLeftTop = pressed ? 5 : 3;
        shrinkRightBottom = pressed ? 4 : 3;
        break;
    default:
        return;
    }
    rc.l += shrinkLeftTop;
    rc.t += shrinkLeftTop;
    rc.r -= shrinkRightBottom;
    rc.b -= shrinkRightBottom;
}

void DrawBorder(QPainter& dc, GdiRect& rc, OLE_COLOR color)
{
    const QColor pen = ToQColor(color);
    DrawRing(dc, rc, 0, pen, pen);
    rc = {rc.l + 1, rc.t + 1, rc.r - 1, rc.b - 1};
}

void DrawBackground(QPainter& dc, const GdiRect& rc, const BackgroundStyle& bg, bool darken)
{
    auto fill = [darken](OLE_COLOR c) { return darken ? DarkenColor(c, 20) : c; };
    if (bg.style == 1) {
        GdiRectangle(dc, rc, ToQColor(bg.opaque), ToQColor(fill(bg.opaque)));
        return;
    }
    if (bg.style != 2)
        return;
    const OLE_COLOR c1 = fill(bg.gradient1);
    const OLE_COLOR c2 = fill(bg.gradient2);
    const OLE_COLOR c3 = fill(bg.gradient3);
    if (bg.orientation == 0) {
        GradientBand(&dc, false, {rc.l, rc.t, rc.r, rc.b / 2}, c2, c1);
        GradientBand(&dc, false, {rc.l, rc.b / 2, rc.r, rc.b}, c3, c2);
    } else if (bg.orientation == 1) {
        GradientBand(&dc, true, {rc.l, rc.t, rc.r / 2, rc.b}, c1, c2);
        GradientBand(&dc, true, {rc.r / 2, rc.t, rc.r, rc.b}, c2, c3);
    }
}

int GradientBand(QPainter* dc, bool horizontal, const GdiRect& band, OLE_COLOR start,
                 OLE_COLOR end, double fraction)
{
    if (!dc)
        return -1;
    const QColor startColor = ToQColor(start);
    int span = horizontal ? band.r - band.l : band.b - band.t;
    // An empty or inverted band has no pixels to step over (and would divide by zero).
    if (span <= 0)
        return 1;
    int first = horizontal ? band.l : band.t;
    int last = horizontal ? band.r : band.b; // exclusive
    if (span >= 256) {
        if (horizontal) {
            GdiRectangle(*dc, {band.l, band.t, band.r - 255, band.b}, startColor, startColor);
            first = band.r - 255;
        } else {
            GdiRectangle(*dc, {band.l, band.t + 255, band.r, band.b}, startColor, startColor);
            last = band.t + 255;
        }
        span = 255;
    }
    auto step = [span](int from, int to) {
        const int s = RoundHalfUp(std::abs(to - from) / double(span));
        return s == 0 ? 1 : s;
    };
    const int redStep = step(RedOf(start), RedOf(end));
    const int greenStep = step(GreenOf(start), GreenOf(end));
    const int blueStep = step(BlueOf(start), BlueOf(end));

    OLE_COLOR color = start & 0xFFFFFF;
    if (horizontal) {
        const int stop = RoundHalfUp(double(band.r - band.l) * fraction + band.l);
        for (int x = first; x < stop && x < band.r; ++x) {
            const QColor c = ToQColor(color);
            GdiRectangle(*dc, {x, band.t, x + 1, band.b}, c, c);
            color = StepColorToward(color, end, redStep, greenStep, blueStep);
        }
    } else {
        const int stop = RoundHalfUp(band.b - double(band.b - band.t) * fraction);
        for (int y = last - 1; y >= stop && y >= band.t; --y) {
            const QColor c = ToQColor(color);
            GdiRectangle(*dc, {band.l, y, band.r, y + 1}, c, c);
            color = StepColorToward(color, end, redStep, greenStep, blueStep);
        }
    }
    return 1;
}

void DrawFocusMark(QPainter& dc, const GdiRect& rc, int style, OLE_COLOR textColor,
                   OLE_COLOR focusColor)
{
    if (style != 0 && style != 1)
        return;
    if (style == 1)
        GdiRectangle(dc, rc, ToQColor(focusColor), ToQColor(focusColor));
    // The paint context starts in opaque background mode with a white background, so the gaps
    // of the dotted pen come out white.
    GdiDottedPolyline(dc,
                      {{rc.l + 3, rc.t + 3},
                       {rc.r - 3, rc.t + 3},
                       {rc.r - 3, rc.b - 3},
                       {rc.l + 3, rc.b - 3},
                       {rc.l + 3, rc.t + 3}},
                      ToQColor(textColor), QColor(Qt::white));
}

QColor LightPen(const QColor& face) { return ToQColor(LightenColor(FromQColor(face), 128)); }
QColor DarkPen(const QColor& face) { return ToQColor(DarkenColor(FromQColor(face), 128)); }
