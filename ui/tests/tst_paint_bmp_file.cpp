// Tests of the printer picture reader: fitting into a box, painting, and hostile files.
#include "ui/paint_bmp_file.h"

#include "bmp_fixtures.h"

#include <QPainter>

namespace {

constexpr QRgb kMarker = 0xFF123456;

QImage Canvas(int w, int h)
{
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(kMarker);
    return canvas;
}

// The smallest rectangle holding every pixel that is no longer the marker.
QRect PaintedArea(const QImage& canvas)
{
    QRect area;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) != kMarker)
                area |= QRect(x, y, 1, 1);
    return area;
}

std::string Fixture(const QString& name)
{
    return QFile::encodeName(FixturePath(name)).toStdString();
}

} // namespace

class TestPaintBmpFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void fit_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("painted");
        QTest::newRow("report logo box, k = 6")
            << QSize(300, 100) << QSize(1900, -1960) << QSize(1800, -600);
        QTest::newRow("wider than the box is squeezed")
            << QSize(2000, 100) << QSize(1900, 1960) << QSize(1900, 1960);
        QTest::newRow("too high even at k = 1 is squeezed")
            << QSize(100, 2000) << QSize(1900, 1960) << QSize(1900, 1960);
        QTest::newRow("height lowers k") << QSize(100, 100) << QSize(1000, 350) << QSize(300, 300);
        QTest::newRow("exact fit") << QSize(19, 7) << QSize(19, 7) << QSize(19, 7);
        QTest::newRow("both sizes negative") << QSize(10, 20) << QSize(-35, -90) << QSize(-30, -60);
        QTest::newRow("empty box") << QSize(10, 10) << QSize(0, 0) << QSize(0, 0);
        QTest::newRow("large box does not overflow")
            << QSize(1, 1) << QSize(2147483647, -2147483647) << QSize(2147483647, -2147483647);
    }

    void fit()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, box);
        QFETCH(QSize, painted);
        int w = 0;
        int h = 0;
        BmpFitSize(picture.width(), picture.height(), box.width(), box.height(), w, h);
        QCOMPARE(QSize(w, h), painted);
    }

    void paintsToolFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("1 bit, 40-byte header") << "bits1_h40.bmp";
        QTest::newRow("1 bit, 12-byte header") << "bits1_h12.bmp";
        QTest::newRow("4 bits, 40-byte header") << "bits4_h40.bmp";
        QTest::newRow("4 bits, 12-byte header") << "bits4_h12.bmp";
        QTest::newRow("4 bits, 124-byte header") << "bits4_h124.bmp";
        QTest::newRow("8 bits, 40-byte header") << "bits8_h40.bmp";
        QTest::newRow("8 bits, 12-byte header") << "bits8_h12.bmp";
        QTest::newRow("24 bits, 40-byte header") << "bits24_h40.bmp";
        QTest::newRow("24 bits, 12-byte header") << "bits24_h12.bmp";
        QTest::newRow("24 bits, 124-byte header") << "bits24_h124.bmp";
    }

    // A box one pixel short of twice the picture gives k = 1: the picture at its own size.
    void paintsToolFiles()
    {
        QFETCH(QString, file);
        const QImage source = SourceOf(file);
        QImage canvas = Canvas(60, 40);
        QPainter p(&canvas);
        QCOMPARE(
            PaintBmpFile(&p, 3, 4, 2 * source.width() - 1, 2 * source.height() - 1, Fixture(file)),
            1);
        p.end();
        QCOMPARE(PaintedArea(canvas), QRect(QPoint(3, 4), source.size()));
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(QColor(canvas.pixel(3 + x, 4 + y)), QColor(source.pixel(x, y)));
    }

    void paintsScaled()
    {
        QImage canvas = Canvas(100, 60);
        QPainter p(&canvas);
        // 19 x 7 in a 70 x 30 box: k = 3.
        QCOMPARE(PaintBmpFile(&p, 1, 2, 70, 30, Fixture("bits24_h40.bmp")), 1);
        p.end();
        QCOMPARE(PaintedArea(canvas), QRect(1, 2, 57, 21));
    }

    // In coordinates whose y grows upward a box grows downward with a negative height, as on
    // the printed page; the picture must still come out upright.
    void negativeBoxHeightStaysUpright()
    {
        const QImage source = SourceOf("bits24_h40.bmp");
        QImage canvas = Canvas(40, 30);
        QPainter p(&canvas);
        p.translate(0, 30);
        p.scale(1, -1);
        QCOMPARE(
            PaintBmpFile(&p, 2, 25, source.width(), -source.height(), Fixture("bits24_h40.bmp")),
            1);
        p.end();
        QCOMPARE(PaintedArea(canvas), QRect(QPoint(2, 5), source.size()));
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(QColor(canvas.pixel(2 + x, 5 + y)), QColor(source.pixel(x, y)));
    }

    void readsOtherLayouts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sourceOf");
        QTest::newRow("8 bits top-down")
            << TopDownCopy(ReadFixture("bits8_h40.bmp")) << "bits8_h40.bmp";
        QByteArray gap = ReadFixture("bits4_h40.bmp");
        gap.insert(118, QByteArray(10, '\x7F'));
        PutLE(gap, 10, 4, 128);
        PutLE(gap, 2, 4, gap.size());
        QTest::newRow("gap before the rows") << gap << "bits4_h40.bmp";
        // A 16-byte header (width, height, planes, bit count) is read with the rest taken as 0.
        QByteArray shortHeader = ReadFixture("bits24_h40.bmp");
        shortHeader.remove(30, 24);
        PutLE(shortHeader, 14, 4, 16);
        PutLE(shortHeader, 10, 4, 30);
        PutLE(shortHeader, 2, 4, shortHeader.size());
        QTest::newRow("16-byte header") << shortHeader << "bits24_h40.bmp";
        // A file that holds more than its header says is read for what the header says.
        QByteArray longer = ReadFixture("bits1_h40.bmp");
        longer.append(QByteArray(100, '\0'));
        QTest::newRow("bytes after the picture") << longer << "bits1_h40.bmp";
    }

    void readsOtherLayouts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sourceOf);
        const QImage source = SourceOf(sourceOf);
        QImage canvas = Canvas(60, 40);
        QPainter p(&canvas);
        QCOMPARE(PaintBmpFile(&p, 0, 0, source.width(), source.height(),
                              WriteTemp(dir_, "layout.bmp", bytes)),
                 1);
        p.end();
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(QColor(canvas.pixel(x, y)), QColor(source.pixel(x, y)));
    }

    void refusesHostileFiles_data()
    {
        AddRefusedByBoth();
        auto row = [](const char* name, Mutation m) { QTest::newRow(name) << m; };
        const QString b = "bits4_h40.bmp";
        row("file size field past the file", {b, 2, 4, 251});
        row("file size field huge", {b, 2, 4, 0xFFFFFFFF});
        row("file size field 0", {b, 2, 4, 0});
        row("file size field cuts the header", {b, 2, 4, 30});
        row("file size field cuts the rows", {b, 2, 4, 249});
    }

    void refusesHostileFiles()
    {
        QFETCH(Mutation, mutation);
        QImage canvas = Canvas(50, 30);
        QPainter p(&canvas);
        QCOMPARE(PaintBmpFile(&p, 0, 0, 50, 30, WriteTemp(dir_, "hostile.bmp", Apply(mutation))),
                 0);
        p.end();
        QCOMPARE(PaintedArea(canvas), QRect());
    }

    void refusesMissingFileAndPainter()
    {
        QImage canvas = Canvas(10, 10);
        QPainter p(&canvas);
        QCOMPARE(PaintBmpFile(&p, 0, 0, 10, 10,
                              QFile::encodeName(dir_.filePath("missing.bmp")).toStdString()),
                 0);
        QCOMPARE(PaintBmpFile(nullptr, 0, 0, 10, 10, Fixture("bits1_h40.bmp")), 0);
    }
};

QTEST_MAIN(TestPaintBmpFile)
#include "tst_paint_bmp_file.moc"
