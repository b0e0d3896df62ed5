// Caption measuring, layout and drawing shared by both controls.
#include "controls/common/text_layout.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// Widths of every prefix of `text`, so that any piece measures in constant time: a hostile
// caption of 64 KiB must not make painting quadratic.
std::vector<long long> PrefixWidths(const TextMeasure& measure, QStringView text)
{
    std::vector<long long> widths(text.size() + 1, 0);
    for (qsizetype i = 0; i < text.size(); ++i)
        widths[i + 1] = widths[i] + measure.Advance(text[i]);
    return widths;
}

int ClampToInt(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

struct DisplayLine
{
    QString text;
    QList<int> underlined; // positions of characters marked with "&"
};

// Removes the "&" prefixes of one line: "&x" underlines x, "&&" is a literal "&".
DisplayLine StripPrefixes(const QString& line)
{
    DisplayLine out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'&' && i + 1 < line.size()) {
            ++i;
            if (line[i] != u'&')
                out.underlined.append(int(out.text.size()));
        } else if (line[i] == u'&') {
            continue;
        }
        out.text.append(line[i]);
    }
    return out;
}

} // namespace

int TextMeasure::Width(QStringView text) const
{
    long long w = 0;
    for (QChar c : text)
        w += Advance(c);
    return ClampToInt(w);
}

int MeasureWrappedTextHeight(const TextMeasure& measure, QStringView text, int width,
                             CaptionRules rules)
{
    const qsizetype n = text.size();
    if (n == 0)
        return 0;
    const bool label = rules == CaptionRules::Label;
    const long long room = label ? width : (long long)width + 3;
    const std::vector<long long> widths = PrefixWidths(measure, text);
    const long long cy = measure.LineHeight();

    qsizetype start = 0;
    qsizetype pos = 0;
    qsizetype lastFit = 0;
    qsizetype limit = n;
    bool fits = false;
    long long height = 0;
    long long lineFeeds = 0;
    while (pos < limit) {
        if (label) {
            // The label's scan also ends after a line feed, which stays in the piece.
            do {
                const QChar c = text[pos++];
                if (c == u'\n') {
                    ++lineFeeds;
                    break;
                }
            } while (pos < limit && text[pos] != u' ');
        } else {
            ++pos;
            while (pos < limit && text[pos] != u' ')
                ++pos;
        }
        const long long cx = widths[pos] - widths[start];
        if (cx <= room) {
            fits = true;
            lastFit = pos;
        } else if (fits) {
            height += cy;
            start = pos = lastFit; // the next line begins with the breaking space
            fits = false;
        } else {
            height += cy; // a word wider than the line ends the count
            limit = 0;
        }
    }
    return ClampToInt(label ? height + (lineFeeds + 1) * cy : height + cy);
}

int LayoutText(GdiRect& rc, const TextMeasure& measure, QStringView text, int horizontal,
               int vertical, int effect, CaptionRules rules)
{
    const bool label = rules == CaptionRules::Label;
    if (effect == 1) {
        rc.r -= 2;
        rc.b -= 2;
        if (!label) {
            rc.r = std::max(rc.r, 0);
            rc.b = std::max(rc.b, 0);
        }
    } else if (effect == 2 || effect == 3) {
        ++rc.l;
        ++rc.t;
        if (label || rc.r > 0)
            --rc.r;
        if (label || rc.b > 0)
            --rc.b;
    }

    const int flags = horizontal == 1 ? DT_CENTER : horizontal == 2 ? DT_RIGHT : DT_LEFT;

    if (vertical == 1 || vertical == 2) {
        const int h = MeasureWrappedTextHeight(measure, text, std::abs(rc.r - rc.l), rules);
        if (vertical == 1) {
            const int half = label ? h / 2 : (h - 2) / 2;
            const int m = (rc.t + rc.b) / 2;
            rc.t = m - half - 1;
            rc.b = m + half + 1;
        } else {
            rc.t = label ? rc.b - h - 1 : rc.b - h + 1;
        }
    }
    return flags;
}

QList<TextPass> EffectPasses(int effect, OLE_COLOR color, bool enabled, CaptionRules rules)
{
    const OLE_COLOR c = color & 0xFFFFFF;
    if (rules == CaptionRules::Label) {
        enabled = true;
        if (effect == 2)
            return {{-1, -1, DarkenColor(c, 128)}, {1, 1, LightenColor(c, 128)}, {0, 0, c}};
    }
    if (!enabled)
        effect = effect == 2 ? 0 : 2;
    switch (effect) {
    case 0:
        return {{0, 0, c}};
    case 1:
        return {{2, 2, DarkenColor(c, 128)}, {0, 0, c}};
    case 2:
        if (enabled)
            return {{0, 0, LightenColor(c, 180)}, {0, 0, DarkenColor(c, 128)}, {0, 0, c}};
        return {{0, 0, LightenColor(c, 180)}, {-1, -1, DarkenColor(c, 128)}};
    case 3:
        return {{-1, -1, LightenColor(c, 128)}, {1, 1, DarkenColor(c, 128)}, {0, 0, c}};
    default:
        return {};
    }
}

void DrawEffectText(QPainter& dc, const GdiRect& rc, const QString& text, int flags, int effect,
                    OLE_COLOR color, bool enabled, CaptionRules rules, int lineHeight)
{
    for (const TextPass& pass : EffectPasses(effect, color, enabled, rules))
        DrawWordBreakText(dc, rc.Moved(pass.dx, pass.dy), text, flags | DT_WORDBREAK,
                          ToQColor(pass.color), lineHeight);
}

QList<QString> BreakLines(const TextMeasure& measure, QStringView text, int width, int flags)
{
    QList<QString> lines;
    const std::vector<long long> widths = PrefixWidths(measure, text);
    auto w = [&](qsizetype a, qsizetype b) { return widths[b] - widths[a]; };
    const bool leftAligned = (flags & (DT_CENTER | DT_RIGHT)) == 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype end = i;
        while (end < n && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        while (i < end) {
            if (w(i, end) <= width) {
                lines.append(text.sliced(i, end - i).toString());
                i = end;
                break;
            }
            qsizetype fit = i; // text[i, fit) fits
            while (fit < end && w(i, fit + 1) <= width)
                ++fit;
            // The break is the last space at or before the first character that does not fit.
            qsizetype space = fit;
            while (space > i && text[space] != u' ')
                --space;
            if (space > i) {
                qsizetype cut = space;
                if (leftAligned) // left-aligned lines keep the spaces that fit
                    while (cut < fit && text[cut] == u' ')
                        ++cut;
                lines.append(text.sliced(i, cut - i).toString());
                i = cut < end && text[cut] == u' ' ? cut + 1 : cut;
            } else {
                // No break point: the whole word stays on the line and is clipped.
                qsizetype e = std::max(fit, i + 1);
                while (e < end && text[e] != u' ')
                    ++e;
                lines.append(text.sliced(i, e - i).toString());
                i = e < end ? e + 1 : e;
            }
        }
        if (end >= n)
            break;
        i = end + (end + 1 < n && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
        if (i >= n)
            lines.append(QString()); // a line end at the very end opens an empty line
    }
    return lines;
}

void DrawWordBreakText(QPainter& dc, const GdiRect& rc, const QString& text, int flags,
                       const QColor& color, int lineHeight)
{
    if (rc.r <= rc.l || rc.b <= rc.t || text.isEmpty())
        return;
    const FontTextMeasure measure(dc.font());
    const QFontMetrics metrics(dc.font());
    if (lineHeight <= 0)
        lineHeight = std::max(1, metrics.height());

    dc.save();
    dc.setClipRect(QRect(rc.l, rc.t, rc.r - rc.l, rc.b - rc.t), Qt::IntersectClip);
    dc.setPen(color);
    dc.setBackgroundMode(Qt::TransparentMode);
    int y = rc.t;
    for (const QString& raw : BreakLines(measure, text, rc.r - rc.l, flags)) {
        if (y >= rc.b)
            break;
        const DisplayLine line = StripPrefixes(raw);
        // Placed by the width the line really takes when drawn, so that a right-aligned line
        // is not clipped by kerning the advances leave out.
        const int lineWidth = metrics.horizontalAdvance(line.text);
        int x = rc.l;
        if (flags & DT_CENTER)
            x = rc.l + (rc.r - rc.l - lineWidth) / 2;
        else if (flags & DT_RIGHT)
            x = rc.r - lineWidth;
        const int baseline = y + metrics.ascent();
        dc.drawText(QPoint(x, baseline), line.text);
        for (int at : line.underlined) {
            const int ux = x + measure.Width(QStringView(line.text).first(at));
            dc.fillRect(ux, baseline + metrics.underlinePos(), measure.Advance(line.text[at]),
                        std::max(1, metrics.lineWidth()), color);
        }
        y += lineHeight;
    }
    dc.restore();
}

int CellPixelSize(const QFont& font, int cell)
{
    // Painting asks for the same few fonts over and over; a hostile stream cannot make the
    // cache grow without bound.
    static QHash<QString, int> sizes;
    QFont probe = font;
    probe.setPixelSize(cell);
    const QString key = probe.key();
    if (const auto it = sizes.constFind(key); it != sizes.constEnd())
        return *it;
    const auto heightAt = [&probe](int pixels) {
        probe.setPixelSize(pixels);
        return QFontMetrics(probe).height();
    };
    // Start from the proportional guess, then step to the largest size whose cell still fits.
    int pixels = std::max(1, RoundHalfUp(double(cell) * cell / std::max(1, heightAt(cell))));
    if (heightAt(pixels) <= cell) {
        while (pixels < cell && heightAt(pixels + 1) <= cell)
            ++pixels;
    } else {
        while (pixels > 1 && heightAt(pixels) > cell)
            --pixels;
    }
    if (sizes.size() >= 256)
        sizes.clear();
    sizes.insert(key, pixels);
    return pixels;
}

ControlFont CreateControlFont(const QString& face, int height, int weight, bool italic,
                              bool underline, bool strikeOut)
{
    QFont font(face);
    font.setWeight(weight > 0 ? QFont::Weight(std::min(weight, 1000)) : QFont::Normal);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    const int cell = std::clamp(height == 0 ? 12 : std::abs(height), 1, 1024);
    // A positive height is the whole character cell; Qt's pixel size is the em, which is what a
    // negative height asks for.
    if (height <= 0) {
        font.setPixelSize(cell);
        return {font, std::max(1, QFontMetrics(font).height())};
    }
    font.setPixelSize(CellPixelSize(font, cell));
    return {font, cell};
}
