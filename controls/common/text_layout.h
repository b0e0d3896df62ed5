// The caption of both controls: measuring its wrapped height, placing it, and drawing it with a
// text effect, following the platform's word-break drawing (DT_WORDBREAK) in transparent mode.
#pragma once

#include "controls/common/gdi_paint.h"
#include "controls/common/ole_color.h"

#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QString>
#include <QStringView>

// Horizontal flags of the platform's text drawing.
constexpr int DT_LEFT = 0x0;
constexpr int DT_CENTER = 0x1;
constexpr int DT_RIGHT = 0x2;
constexpr int DT_WORDBREAK = 0x10;

// The two controls lay out and draw their captions with slightly different rules.
enum class CaptionRules { Button, Label };

// How the current font measures text: the sum of the characters' advances (no kerning, as the
// platform's text extent) and one line height.
class TextMeasure
{
public:
    virtual ~TextMeasure() = default;
    virtual int Advance(QChar c) const = 0;
    virtual int LineHeight() const = 0;
    int Width(QStringView text) const;
};

class FontTextMeasure : public TextMeasure
{
public:
    // `lineHeight` 0: the font's own.
    explicit FontTextMeasure(const QFont& font, int lineHeight = 0)
        : metrics_(font), lineHeight_(lineHeight > 0 ? lineHeight : metrics_.height())
    {
    }
    int Advance(QChar c) const override { return metrics_.horizontalAdvance(c); }
    int LineHeight() const override { return lineHeight_; }

private:
    QFontMetrics metrics_;
    int lineHeight_;
};

// The height the caption takes when wrapped into `width` (|r - l| of the text rectangle).
// The button counts width-driven lines only (with 3 pixels of tolerance) and stops at a word
// wider than the line; the label also counts every line feed.
int MeasureWrappedTextHeight(const TextMeasure& measure, QStringView text, int width,
                             CaptionRules rules);

// Shrinks `rect` for the text effect's allowance and places it vertically (0 top, 1 centred,
// 2 bottom). Returns the horizontal flag for `horizontal` (0 left, 1 centre, 2 right).
int LayoutText(GdiRect& rect, const TextMeasure& measure, QStringView text, int horizontal,
               int vertical, int effect, CaptionRules rules);

// One drawing of the caption in a text effect: offset from the laid-out rectangle and colour.
struct TextPass
{
    int dx;
    int dy;
    OLE_COLOR color;
    bool operator==(const TextPass&) const = default;
};

// The passes of text effect `effect` (0 plain, 1 shadow, 2 engraved, 3 raised; others draw
// nothing). A disabled button draws effect 0 for 2 and effect 2 for any other.
QList<TextPass> EffectPasses(int effect, OLE_COLOR color, bool enabled, CaptionRules rules);

// Draws the caption at `rect` in every pass of the effect, in the painter's font, lines
// `lineHeight` apart (0: the font's own line height).
void DrawEffectText(QPainter& dc, const GdiRect& rect, const QString& text, int flags, int effect,
                    OLE_COLOR color, bool enabled, CaptionRules rules, int lineHeight = 0);

// Draws `text` as the platform's word-break text drawing does: lines break at spaces (a word
// wider than the line stays whole) and at line ends, start at the top, are aligned by `flags`
// and clipped to `rect`, `lineHeight` apart (0: the font's own); "&x" underlines x and "&&"
// shows "&".
void DrawWordBreakText(QPainter& dc, const GdiRect& rect, const QString& text, int flags,
                       const QColor& color, int lineHeight = 0);

// The lines DrawWordBreakText draws for `text` in `width`, before prefix processing.
QList<QString> BreakLines(const TextMeasure& measure, QStringView text, int width, int flags);

// The largest pixel size at which `font` has a line height (its character cell) of at most
// `cell` pixels: exactly `cell` wherever the font has such a size.
int CellPixelSize(const QFont& font, int cell);

// The caption's font and the distance of its lines.
struct ControlFont
{
    QFont font;
    int lineHeight;
};

// The caption font: `height` is the character cell height in pixels (negative: the character
// height), `weight` 0 the default weight or 1-1000; sizes are held within what can be drawn.
// For a cell height the lines are that far apart, also where the face has no size of exactly
// that cell and the next smaller one is taken.
ControlFont CreateControlFont(const QString& face, int height, int weight, bool italic,
                              bool underline, bool strikeOut);
