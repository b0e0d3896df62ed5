// Tests of the screen picture reader on files written by ImageMagick and on hostile files.
#include "ui/dib_picture.h"

#include "bmp_fixtures.h"

#include <QPainter>
#include <QWidget>

namespace {

constexpr QRgb kMarker = 0xFF123456; // background that no test picture uses

QImage Canvas(int w, int h)
{
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(kMarker);
    return canvas;
}

// Counts canvas pixels outside `area` that are no longer the marker.
int TouchedOutside(const QImage& canvas, const QRect& area)
{
    int touched = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (!area.contains(x, y) && canvas.pixel(x, y) != kMarker)
                ++touched;
    return touched;
}

} // namespace

class TestDibPicture : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

    void CompareWithSource(const CDibPicture& picture, const QImage& source)
    {
        QCOMPARE(picture.Width(), source.width());
        QCOMPARE(picture.Height(), source.height());
        QCOMPARE(picture.Rect(), QRect(0, 0, source.width(), source.height()));
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(QColor(picture.Image().pixel(x, y)), QColor(source.pixel(x, y)));
    }

private slots:
    void readsToolFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("1 bit, 40-byte header") << "bits1_h40.bmp";
        QTest::newRow("1 bit, 12-byte header") << "bits1_h12.bmp";
        QTest::newRow("4 bits, 40-byte header") << "bits4_h40.bmp";
        QTest::newRow("4 bits, 12-byte header") << "bits4_h12.bmp";
        QTest::newRow("8 bits, 40-byte header") << "bits8_h40.bmp";
        QTest::newRow("8 bits, 12-byte header") << "bits8_h12.bmp";
        QTest::newRow("24 bits, 40-byte header") << "bits24_h40.bmp";
        QTest::newRow("24 bits, 12-byte header") << "bits24_h12.bmp";
    }

    void readsToolFiles()
    {
        QFETCH(QString, file);
        CDibPicture picture;
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath(file)).toStdString()), 1);
        QVERIFY(picture.IsLoaded());
        CompareWithSource(picture, SourceOf(file));

        int w = -1;
        int h = -1;
        QCOMPARE(CDibPicture::Measure(QFile::encodeName(FixturePath(file)).toStdString(), w, h), 1);
        QCOMPARE(QSize(w, h), SourceOf(file).size());
    }

    void readsOtherLayouts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sourceOf");
        QTest::newRow("8 bits top-down")
            << TopDownCopy(ReadFixture("bits8_h40.bmp")) << "bits8_h40.bmp";
        QTest::newRow("24 bits top-down")
            << TopDownCopy(ReadFixture("bits24_h40.bmp")) << "bits24_h40.bmp";
        // The pixel offset of the file header is honoured when the rows do not follow the table.
        QByteArray gap = ReadFixture("bits4_h40.bmp");
        gap.insert(118, QByteArray(10, '\x7F'));
        PutLE(gap, 10, 4, 128);
        PutLE(gap, 2, 4, gap.size());
        QTest::newRow("gap before the rows") << gap << "bits4_h40.bmp";
        // With no pixel offset the rows follow the colour table.
        QByteArray noOffset = ReadFixture("bits1_h12.bmp");
        PutLE(noOffset, 10, 4, 0);
        QTest::newRow("no pixel offset") << noOffset << "bits1_h12.bmp";
    }

    void readsOtherLayouts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sourceOf);
        CDibPicture picture;
        QCOMPARE(picture.Load(WriteTemp(dir_, "layout.bmp", bytes)), 1);
        CompareWithSource(picture, SourceOf(sourceOf));
    }

    void coreHeaderIsWidened()
    {
        CDibPicture picture;
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath("bits1_h12.bmp")).toStdString()), 1);
        const QByteArray packed = picture.PackedPicture();
        QCOMPARE(GetLE32(packed, 0), 40u);
        QCOMPARE(GetLE32(packed, 4), 13u);
        QCOMPARE(GetLE32(packed, 8), 9u);
        QCOMPARE(GetLE32(packed, 32), 2u);        // colours used filled in
        QCOMPARE(GetLE32(packed, 20), 4u * 9u);   // image size filled in
        QCOMPARE(GetLE32(packed, 40), 0x112233u); // blue, green, red, 0
        QCOMPARE(packed.size(), 40 + 2 * 4 + 4 * 9);
    }

    void palettes()
    {
        CDibPicture picture;
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath("bits1_h40.bmp")).toStdString()), 1);
        QCOMPARE(picture.Palette(), QList<QRgb>({qRgb(17, 34, 51), qRgb(238, 221, 0)}));
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath("bits24_h40.bmp")).toStdString()), 1);
        QCOMPARE(picture.Palette().size(), 256);
        QCOMPARE(picture.Palette()[9], qRgb(32, 32, 0));
        QCOMPARE(picture.Palette()[255], qRgb(224, 224, 192));
    }

    // Indices beyond a short colour table must not read past it.
    void indexPastTheTableIsBlack()
    {
        QByteArray bytes = ReadFixture("bits8_h40.bmp");
        PutLE(bytes, 46, 4, 2);
        CDibPicture picture;
        QCOMPARE(picture.Load(WriteTemp(dir_, "short_table.bmp", bytes)), 1);
        const QImage source = SourceOf("bits8_h40.bmp");
        const QList<QRgb> palette = picture.Palette();
        QCOMPARE(palette.size(), 2);
        int black = 0;
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const QRgb c = picture.Image().pixel(x, y);
                QVERIFY(c == palette[0] || c == palette[1] || c == qRgb(0, 0, 0));
                black += c == qRgb(0, 0, 0);
            }
        QVERIFY(black > 0);
    }

    void refusesHostileFiles_data() { AddRefusedByBoth(); }

    void refusesHostileFiles()
    {
        QFETCH(Mutation, mutation);
        const std::string path = WriteTemp(dir_, "hostile.bmp", Apply(mutation));
        CDibPicture picture;
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath("bits24_h40.bmp")).toStdString()), 1);
        // A failed load leaves nothing of the picture loaded before.
        QCOMPARE(picture.Load(path), 0);
        QVERIFY(!picture.IsLoaded());
        QCOMPARE(picture.Width(), 0);
        QCOMPARE(picture.Rect(), QRect());
        QVERIFY(picture.Image().isNull());

        int w = -5;
        int h = -5;
        QCOMPARE(CDibPicture::Measure(path, w, h), 0);
        QCOMPARE(QSize(w, h), QSize(-5, -5));

        QImage canvas = Canvas(40, 30);
        QPainter p(&canvas);
        picture.Paint(&p, QRect(0, 0, 40, 30), CDibPicture::kModeStretch);
        p.end();
        QCOMPARE(TouchedOutside(canvas, QRect()), 0);
    }

    // Only the 12 and 40-byte headers are read by this reader.
    void refusesOtherHeaderForms()
    {
        CDibPicture picture;
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath("bits24_h124.bmp")).toStdString()), 0);
        QCOMPARE(picture.Load(QFile::encodeName(dir_.filePath("missing.bmp")).toStdString()), 0);
    }

    void paints_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("painted");
        // The 13 x 9 picture of bits1_h40.bmp.
        QTest::newRow("copy at natural size") << 0 << QRect(5, 7, 3, 3) << QRect(5, 7, 13, 9);
        QTest::newRow("stretch to twice") << 1 << QRect(10, 10, 26, 18) << QRect(10, 10, 26, 18);
        QTest::newRow("unknown mode paints nothing") << 2 << QRect(5, 7, 13, 9) << QRect();
    }

    void paints()
    {
        QFETCH(int, mode);
        QFETCH(QRect, rect);
        QFETCH(QRect, painted);
        CDibPicture picture;
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath("bits1_h40.bmp")).toStdString()), 1);
        QImage canvas = Canvas(60, 40);
        QPainter p(&canvas);
        picture.Paint(&p, rect, mode);
        p.end();
        QCOMPARE(TouchedOutside(canvas, painted), 0);
        if (painted.isNull())
            return;
        const QImage source = SourceOf("bits1_h40.bmp");
        const int k = painted.width() / source.width();
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x)
                QCOMPARE(QColor(canvas.pixel(painted.x() + x, painted.y() + y)),
                         QColor(source.pixel(x / k, y / k)));
    }

    void paintsCentredInWindow()
    {
        CDibPicture picture;
        QCOMPARE(picture.Load(QFile::encodeName(FixturePath("bits24_h40.bmp")).toStdString()), 1);
        QWidget window;
        window.resize(60, 40);
        QImage canvas = Canvas(60, 40);
        QPainter p(&canvas);
        picture.Paint(&window, &p, -1, -1, CDibPicture::kModeCopy);
        p.end();
        const QRect expected((60 - 19) / 2, (40 - 7) / 2, 19, 7);
        QCOMPARE(TouchedOutside(canvas, expected), 0);
        QCOMPARE(QColor(canvas.pixel(expected.topLeft())),
                 QColor(SourceOf("bits24_h40.bmp").pixel(0, 0)));
    }

    void paintsNothingWhenNotLoaded()
    {
        CDibPicture picture;
        QImage canvas = Canvas(20, 20);
        QPainter p(&canvas);
        picture.Paint(&p, QRect(0, 0, 20, 20), CDibPicture::kModeStretch);
        picture.Paint(nullptr, &p, -1, -1, CDibPicture::kModeCopy);
        p.end();
        QCOMPARE(TouchedOutside(canvas, QRect()), 0);
    }

    // The pictures shipped with the program are read by this reader.
    void readsShippedPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("logo") << "LOGO.BMP";
        QTest::newRow("splash") << "LOGOINIT.BMP";
        QTest::newRow("print logo") << "LogoPrn.Bmp";
    }

    void readsShippedPictures()
    {
        QFETCH(QString, name);
        const QString path = QStringLiteral(ZOLT_SOURCE_DIR "/data/") + name;
        if (!QFile::exists(path))
            QSKIP("picture not in this checkout");
        int w = 0;
        int h = 0;
        QCOMPARE(CDibPicture::Measure(QFile::encodeName(path).toStdString(), w, h), 1);
        QVERIFY(w > 0 && h > 0);
    }
};

QTEST_MAIN(TestDibPicture)
#include "tst_dib_picture.moc"
