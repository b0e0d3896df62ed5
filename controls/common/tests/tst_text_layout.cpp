// Tests of caption layout with a fixed font (every character 10 pixels wide, lines 16 high):
// wrapped height, vertical placement, effect allowances, the effect passes and line breaking;
// and of the font chosen for a height.
#include "controls/common/text_layout.h"

#include <QTest>

namespace {

class FixedMeasure : public TextMeasure
{
public:
    int Advance(QChar) const override { return 10; }
    int LineHeight() const override { return 16; }
};

const FixedMeasure kFixed;

} // namespace

Q_DECLARE_METATYPE(GdiRect)
Q_DECLARE_METATYPE(CaptionRules)

class TestTextLayout : public QObject
{
    Q_OBJECT

private slots:
    void measure_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<CaptionRules>("rules");
        QTest::addColumn<int>("height");
        QTest::newRow("empty") << "" << 100 << CaptionRules::Button << 0;
        QTest::newRow("one line") << "abc def" << 100 << CaptionRules::Button << 16;
        // Pieces of 40, then 90 (too wide: a line), " bbbb" 50, then 100 (a line), " cccc" 50.
        QTest::newRow("three lines") << "aaaa bbbb cccc" << 50 << CaptionRules::Button << 48;
        QTest::newRow("tolerance of 3 pixels") << "aaaa bbbb" << 87 << CaptionRules::Button << 16;
        QTest::newRow("label has no tolerance") << "aaaa bbbb" << 87 << CaptionRules::Label << 32;
        // The third word is wider than the line: the count stops there.
        QTest::newRow("word wider than the line")
            << "aa bb cccccccccc dd ee ff" << 60 << CaptionRules::Button << 48;
        QTest::newRow("button ignores line feeds") << "a\nb\nc" << 100 << CaptionRules::Button
                                                   << 16;
        QTest::newRow("label counts two line feeds") << "a\nb\nc" << 100 << CaptionRules::Label
                                                     << 48;
        // The line feed is met twice, once more after the restart: both count.
        QTest::newRow("label line feed after a restart")
            << "aaaa bb\ncc" << 50 << CaptionRules::Label << 80;
    }

    void measure()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(CaptionRules, rules);
        QFETCH(int, height);
        QCOMPARE(MeasureWrappedTextHeight(kFixed, text, width, rules), height);
    }

    void layout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<GdiRect>("rect");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        QTest::addColumn<int>("effect");
        QTest::addColumn<CaptionRules>("rules");
        QTest::addColumn<GdiRect>("laidOut");
        QTest::addColumn<int>("flags");
        // Three lines of 16: half = (48 - 2) / 2 = 23, m = (6 + 95) / 2 = 50.
        QTest::newRow("three lines centred") << "aaaa bbbb cccc" << GdiRect{6, 6, 56, 95} << 1 << 1
                                             << 0 << CaptionRules::Button
                                             << GdiRect{6, 26, 56, 74} << DT_CENTER;
        QTest::newRow("empty caption centred") << "" << GdiRect{6, 6, 56, 95} << 0 << 1 << 0
                                               << CaptionRules::Button << GdiRect{6, 50, 56, 50}
                                               << DT_LEFT;
        QTest::newRow("bottom") << "abc" << GdiRect{0, 0, 100, 50} << 2 << 2 << 0
                                << CaptionRules::Button << GdiRect{0, 35, 100, 50} << DT_RIGHT;
        QTest::newRow("label bottom") << "abc" << GdiRect{0, 0, 100, 50} << 2 << 2 << 0
                                      << CaptionRules::Label << GdiRect{0, 33, 100, 50}
                                      << DT_RIGHT;
        QTest::newRow("label centred") << "abc" << GdiRect{0, 0, 100, 50} << 0 << 1 << 0
                                       << CaptionRules::Label << GdiRect{0, 16, 100, 34}
                                       << DT_LEFT;
        QTest::newRow("top keeps the rectangle") << "abc" << GdiRect{3, 4, 100, 50} << 7 << 0 << 0
                                                 << CaptionRules::Button
                                                 << GdiRect{3, 4, 100, 50} << DT_LEFT;
        QTest::newRow("shadow allowance clamps") << "" << GdiRect{0, 0, 1, 1} << 0 << 0 << 1
                                                 << CaptionRules::Button << GdiRect{0, 0, 0, 0}
                                                 << DT_LEFT;
        QTest::newRow("label shadow does not clamp") << "" << GdiRect{0, 0, 1, 1} << 0 << 0 << 1
                                                     << CaptionRules::Label
                                                     << GdiRect{0, 0, -1, -1} << DT_LEFT;
        QTest::newRow("engraved allowance stops at 0") << "" << GdiRect{0, 0, 0, 5} << 0 << 0 << 2
                                                       << CaptionRules::Button
                                                       << GdiRect{1, 1, 0, 4} << DT_LEFT;
        QTest::newRow("label engraved allowance") << "" << GdiRect{0, 0, 0, 5} << 0 << 0 << 3
                                                  << CaptionRules::Label << GdiRect{1, 1, -1, 4}
                                                  << DT_LEFT;
    }

    void layout()
    {
        QFETCH(QString, text);
        QFETCH(GdiRect, rect);
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        QFETCH(int, effect);
        QFETCH(CaptionRules, rules);
        QFETCH(GdiRect, laidOut);
        QFETCH(int, flags);
        QCOMPARE(LayoutText(rect, kFixed, text, horizontal, vertical, effect, rules), flags);
        QCOMPARE(rect, laidOut);
    }

    void effects_data()
    {
        QTest::addColumn<int>("effect");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<CaptionRules>("rules");
        QTest::addColumn<QList<TextPass>>("passes");
        const OLE_COLOR c = 0x808080;
        const OLE_COLOR dark = DarkenColor(c, 128);
        const OLE_COLOR light = LightenColor(c, 128);
        const OLE_COLOR pale = LightenColor(c, 180);
        using P = QList<TextPass>;
        QTest::newRow("plain") << 0 << true << CaptionRules::Button << P{{0, 0, c}};
        QTest::newRow("shadow") << 1 << true << CaptionRules::Button
                                << P{{2, 2, dark}, {0, 0, c}};
        QTest::newRow("engraved") << 2 << true << CaptionRules::Button
                                  << P{{0, 0, pale}, {0, 0, dark}, {0, 0, c}};
        QTest::newRow("raised") << 3 << true << CaptionRules::Button
                                << P{{-1, -1, light}, {1, 1, dark}, {0, 0, c}};
        QTest::newRow("unknown") << 4 << true << CaptionRules::Button << P{};
        QTest::newRow("disabled plain: dark over a light copy")
            << 0 << false << CaptionRules::Button << P{{0, 0, pale}, {-1, -1, dark}};
        QTest::newRow("disabled raised") << 3 << false << CaptionRules::Button
                                         << P{{0, 0, pale}, {-1, -1, dark}};
        QTest::newRow("disabled engraved is plain") << 2 << false << CaptionRules::Button
                                                    << P{{0, 0, c}};
        QTest::newRow("label engraved: dark up-left, light down-right")
            << 2 << true << CaptionRules::Label << P{{-1, -1, dark}, {1, 1, light}, {0, 0, c}};
    }

    void effects()
    {
        QFETCH(int, effect);
        QFETCH(bool, enabled);
        QFETCH(CaptionRules, rules);
        QFETCH(QList<TextPass>, passes);
        QCOMPARE(EffectPasses(effect, 0x808080, enabled, rules), passes);
    }

    void breakLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("fits") << " TESTER VELANTO" << 300 << DT_LEFT
                              << QStringList{" TESTER VELANTO"};
        QTest::newRow("wraps at spaces") << "aaaa bbbb cccc" << 50 << DT_CENTER
                                         << QStringList{"aaaa", "bbbb", "cccc"};
        QTest::newRow("long word stays whole") << "aa bbbbbbbb cc" << 50 << DT_LEFT
                                               << QStringList{"aa ", "bbbbbbbb", "cc"};
        QTest::newRow("line feeds break") << "a\nb\r\nc" << 100 << DT_LEFT
                                          << QStringList{"a", "b", "c"};
    }

    void breakLines()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(int, flags);
        QFETCH(QStringList, lines);
        QCOMPARE(BreakLines(kFixed, text, width, flags), lines);
    }

    // A positive height is the character cell: the largest size whose line fits it, exactly
    // where the face has one (DejaVu Sans bold has none of 12 pixels), and lines that far apart.
    // A negative height is the em.
    void fontForHeight_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("weight");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("pixelSize"); // 0: whichever fits
        QTest::addColumn<int>("lineHeight");
        QTest::newRow("cell 36") << "DejaVu Sans" << 700 << false << 36 << 31 << 36;
        QTest::newRow("cell 24") << "DejaVu Sans" << 700 << false << 24 << 20 << 24;
        QTest::newRow("cell 12, no exact size") << "DejaVu Sans" << 700 << false << 12 << 10 << 12;
        QTest::newRow("default face") << "MS Sans Serif" << 0 << false << 18 << 0 << 18;
        QTest::newRow("stored heading") << "Arial" << 774 << true << 16 << 0 << 16;
        QTest::newRow("em height") << "DejaVu Sans" << 0 << false << -20 << 20 << 24;
    }

    void fontForHeight()
    {
        QFETCH(QString, face);
        QFETCH(int, weight);
        QFETCH(bool, italic);
        QFETCH(int, height);
        QFETCH(int, pixelSize);
        QFETCH(int, lineHeight);
        const ControlFont font = CreateControlFont(face, height, weight, italic, false, false);
        QCOMPARE(font.lineHeight, lineHeight);
        if (pixelSize)
            QCOMPARE(font.font.pixelSize(), pixelSize);
        if (height > 0) {
            QVERIFY(QFontMetrics(font.font).height() <= height);
            QFont larger = font.font;
            larger.setPixelSize(larger.pixelSize() + 1);
            QVERIFY(QFontMetrics(larger).height() > height);
        }
    }
};

QTEST_MAIN(TestTextLayout)
#include "tst_text_layout.moc"
