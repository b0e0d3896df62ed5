// Tests of the colour arithmetic and of the drawing steps that are easy to get wrong: rings that
// leave out their end points and the capped, stepped gradient band.
#include "controls/common/gdi_paint.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

constexpr QRgb kBlank = 0xFF123456;

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kBlank);
    return image;
}

OLE_COLOR At(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }

} // namespace

class TestGdiPaint : public QObject
{
    Q_OBJECT

private slots:
    void colorFunctions_data()
    {
        QTest::addColumn<OLE_COLOR>("got");
        QTest::addColumn<OLE_COLOR>("expected");
        QTest::newRow("lighten stops at 255") << LightenColor(0x7F8081, 128) << OLE_COLOR(0xFFFFFF);
        QTest::newRow("lighten below the limit") << LightenColor(0x00107E, 128)
                                                 << OLE_COLOR(0x8090FE);
        QTest::newRow("lighten clears the high byte") << LightenColor(0x80000000, 0)
                                                      << OLE_COLOR(0);
        QTest::newRow("darken stops at 0") << DarkenColor(0x80817F, 128) << OLE_COLOR(0x000100);
        QTest::newRow("darken by 20") << DarkenColor(0xFFFFFF, 20) << OLE_COLOR(0xEBEBEB);
        QTest::newRow("step reaches the target") << StepColorToward(0x0000F0, 0x0000FF, 20, 1, 1)
                                                 << OLE_COLOR(0x0000FF);
        QTest::newRow("step both ways") << StepColorToward(0x800080, 0x008000, 16, 16, 16)
                                        << OLE_COLOR(0x701070);
    }

    void colorFunctions()
    {
        QFETCH(OLE_COLOR, got);
        QFETCH(OLE_COLOR, expected);
        QCOMPARE(got, expected);
    }

    void roundHalfUp_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("expected");
        QTest::newRow("below half") << 2.49 << 2;
        QTest::newRow("half") << 2.5 << 3;
        QTest::newRow("whole") << 7.0 << 7;
        QTest::newRow("too large is held") << 1e300 << 2147483647;
        QTest::newRow("not a number") << std::nan("") << 0;
    }

    void roundHalfUp()
    {
        QFETCH(double, x);
        QFETCH(int, expected);
        QCOMPARE(RoundHalfUp(x), expected);
    }

    // Each half of a ring leaves out its end point: the upper-left half owns the top-left and
    // bottom-left corners, the lower-right half the other two.
    void ringCorners()
    {
        QImage image = Canvas(6, 5);
        {
            QPainter dc(&image);
            DrawRing(dc, {0, 0, 6, 5}, 0, Qt::white, Qt::black);
        }
        QCOMPARE(At(image, 0, 0), OLE_COLOR(0xFFFFFF));
        QCOMPARE(At(image, 0, 4), OLE_COLOR(0xFFFFFF));
        QCOMPARE(At(image, 4, 0), OLE_COLOR(0xFFFFFF));
        QCOMPARE(At(image, 5, 0), OLE_COLOR(0));
        QCOMPARE(At(image, 5, 4), OLE_COLOR(0));
        QCOMPARE(At(image, 1, 4), OLE_COLOR(0));
        QCOMPARE(image.pixel(1, 1), kBlank);
    }

    // 300 columns from black to 0xB4 red: 45 solid columns, then the gradient over the last 255
    // with a step of RoundHalfUp(180 / 255) = 1, reaching the end after 180 columns.
    void gradientBandIsCapped()
    {
        QImage image = Canvas(300, 2);
        {
            QPainter dc(&image);
            QCOMPARE(GradientBand(&dc, true, {0, 0, 300, 2}, 0x000000, 0x0000B4), 1);
        }
        for (int x = 0; x < 45; ++x)
            QCOMPARE(At(image, x, 1), OLE_COLOR(0));
        for (int i = 0; i < 255; ++i)
            QCOMPARE(At(image, 45 + i, 0), OLE_COLOR(std::min(i, 180)));
        QCOMPARE(GradientBand(nullptr, true, {0, 0, 1, 1}, 0, 0), -1);
    }

    // At exactly 256 pixels the cap already holds: one pixel of the start colour (the first
    // column, or the bottom row), then 255 gradient steps.
    void gradientBandOf256IsCapped_data()
    {
        QTest::addColumn<bool>("horizontal");
        QTest::newRow("horizontal") << true;
        QTest::newRow("vertical") << false;
    }

    void gradientBandOf256IsCapped()
    {
        QFETCH(bool, horizontal);
        QImage image = horizontal ? Canvas(256, 2) : Canvas(2, 256);
        {
            QPainter dc(&image);
            GradientBand(&dc, horizontal, {0, 0, image.width(), image.height()}, 0x000000,
                         0x0000B4);
        }
        // Along the band from where the gradient starts: the solid pixel, then the steps.
        auto along = [&](int i) { return horizontal ? At(image, i, 1) : At(image, 1, 255 - i); };
        QCOMPARE(along(0), OLE_COLOR(0));
        for (int i = 0; i < 255; ++i)
            QCOMPARE(along(1 + i), OLE_COLOR(std::min(i, 180)));
    }

    // A vertical band runs from its bottom row upward; a step rounds half up and is never 0.
    void gradientBandVertical()
    {
        QImage image = Canvas(1, 4);
        {
            QPainter dc(&image);
            GradientBand(&dc, false, {0, 0, 1, 4}, 0x000000, 0x000006);
        }
        const OLE_COLOR expected[] = {6, 4, 2, 0}; // step RoundHalfUp(6 / 4) = 2
        for (int y = 0; y < 4; ++y)
            QCOMPARE(At(image, 0, y), expected[y]);
    }

    void gradientBandEmptyPaintsNothing()
    {
        QImage image = Canvas(4, 4);
        {
            QPainter dc(&image);
            QCOMPARE(GradientBand(&dc, true, {3, 0, 1, 4}, 0, 0xFFFFFF), 1);
            QCOMPARE(GradientBand(&dc, false, {0, 2, 4, 2}, 0, 0xFFFFFF), 1);
        }
        QCOMPARE(image, Canvas(4, 4));
    }
};

QTEST_MAIN(TestGdiPaint)
#include "tst_gdi_paint.moc"
