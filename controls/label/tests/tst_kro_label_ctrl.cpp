// Tests of the label control: the stored heading of the information dialog, its drawing
// differences from the button, WindowText against Text; and, for both controls, the line height
// DimensioneFont gives and the change notifications of every property.
#include "controls/label/kro_label_ctrl.h"

#include "controls/button/kro_button_ctrl.h"
#include "controls/common/gdi_paint.h"

#include <QMetaProperty>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr QRgb kBlank = 0xFF123456;

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

const QByteArray kHeading = " TESTER VELANTO Dozozovir Avurez Erezevo";

// The heading's property stream: 151 bytes.
const QByteArray kHeadingStream =
    Hex("00000100" "a52f0000" "e5020000" "02000000") + Hex("28") + kHeading + Hex("28") +
    kHeading +
    Hex("0000" "0100" "01" "00000000" "0200" "ffffff00" "01" "ffffff00" "ace2f800" "6c6c6c00") +
    Hex("05") + "Arial" + Hex("10000000" "00000000" "01" "00" "00" "06030000" "0300" "0000");

QImage Render(CKroLabelCtrl& ctrl, int w, int h)
{
    ctrl.resize(w, h);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kBlank);
    QPainter dc(&image);
    ctrl.OnDraw(dc, QRect(0, 0, w, h));
    return image;
}

} // namespace

class TestKroLabelCtrl : public QObject
{
    Q_OBJECT

private slots:
    void headingStream()
    {
        QCOMPARE(kHeadingStream.size(), 151);
        CKroLabelCtrl label;
        QVERIFY(label.LoadFromStream(kHeadingStream));
        QCOMPARE(label.TestoContenuto(), QString(kHeading));
        QCOMPARE(label.Caption(), QString(kHeading));
        QCOMPARE(label.AllOrizzontaleTesto(), 0);
        QCOMPARE(label.AllVerticaleTesto(), 1);
        QVERIFY(label.Bordo());
        QCOMPARE(label.StileSfondo(), 2);
        QVERIFY(label.OrientamentoGrad());
        QCOMPARE(label.ColoreGradiente2(), 0xF8E2ACu);
        QCOMPARE(label.ColoreGradiente3(), 0x6C6C6Cu);
        QCOMPARE(label.FontName(), QString("Arial"));
        QCOMPARE(label.DimensioneFont(), 16);
        QVERIFY(label.Italico());
        QCOMPARE(label.Bold(), 774);
        QCOMPARE(label.EffettoContorno(), 3);
        QCOMPARE(label.EffettoTesto(), 0);
        QVERIFY(!label.IsModified());
        // Saved at the extent it was loaded with, the stream comes back byte for byte.
        label.resize(CKroControl::HimetricToPixels(12197), CKroControl::HimetricToPixels(741));
        QCOMPARE(label.SaveToStream(), kHeadingStream);
    }

    // The dialog's record: a 32-bit word, the stream, and 9 bytes the label does not read.
    void dialogInitRecord()
    {
        const QByteArray record = Hex("00000000") + kHeadingStream + QByteArray(9, '\x5a');
        QCOMPARE(record.size(), 164);
        CKroLabelCtrl label;
        QVERIFY(label.LoadFromDialogInit(record));
        QCOMPARE(label.TestoContenuto(), QString(kHeading));
        QVERIFY(!label.LoadFromDialogInit(record.first(100)));
        QCOMPARE(label.TestoContenuto(), QString("Testo Contenuto"));
    }

    void defaultsStream()
    {
        CKroLabelCtrl label;
        const QByteArray saved = label.SaveToStream();
        const QByteArray caption = Hex("0f") + "Testo Contenuto";
        QCOMPARE(saved, Hex("00000100" "560a0000" "2b050000" "02000000") + caption + caption +
                            Hex("0000" "0000" "00" "00000000" "0000" "ffffff00" "00" "ffffff00"
                                "00ffff00" "0000ff00") +
                            Hex("0d") + "MS Sans Serif" +
                            Hex("0c000000" "00000000" "00" "00" "00" "00000000" "0000" "0000"));
    }

    // The label's contour is never pressed, and 0 (like any other value) draws nothing and
    // leaves the background at the edge.
    void contour_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QList<QColor>>("left"); // x = 0, 1, 2, 3 on the middle row
        const QColor face = QColor(0x70, 0x80, 0x90);
        const QColor light = LightPen(face);
        const QColor dark = DarkPen(face);
        const QColor bg(Qt::yellow);
        const QColor blank = QColor(kBlank);
        QTest::newRow("0 draws nothing") << 0 << QList<QColor>{bg, bg, bg, bg};
        QTest::newRow("raised") << 1 << QList<QColor>{light, bg, bg, bg};
        QTest::newRow("sunken") << 2 << QList<QColor>{dark, bg, bg, bg};
        QTest::newRow("etched") << 3 << QList<QColor>{light, blank, dark, bg};
        QTest::newRow("other") << 5 << QList<QColor>{bg, bg, bg, bg};
    }

    void contour()
    {
        QFETCH(int, style);
        QFETCH(QList<QColor>, left);
        CKroLabelCtrl label;
        QPalette palette = label.palette();
        palette.setColor(QPalette::Button, QColor(0x70, 0x80, 0x90));
        label.setPalette(palette);
        label.SetTestoContenuto(QString());
        label.SetEffettoContorno(style);
        label.SetStileSfondo(1);
        label.SetColoreOpacoSfondo(0x00FFFF);
        const QImage image = Render(label, 30, 20);
        for (int x = 0; x < 4; ++x)
            QCOMPARE(image.pixelColor(x, 10), left[x]);
    }

    // The default label: nothing around the text, which starts at the top left.
    void defaultLabel()
    {
        CKroLabelCtrl label;
        label.SetFontName("DejaVu Sans");
        label.SetTestoContenuto("MMMM");
        const QImage image = Render(label, 100, 40);
        QRect inked;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != kBlank)
                    inked |= QRect(x, y, 1, 1);
        QVERIFY(!inked.isEmpty());
        QVERIFY2(inked.left() <= 2 && inked.top() <= 4, qPrintable(QString("%1,%2").arg(inked.left()).arg(inked.top())));
        QVERIFY(inked.bottom() < 14);
    }

    void windowTextAndText_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<bool>("captionFollows");
        QTest::newRow("WindowText leaves Caption") << QByteArray("WindowText") << false;
        QTest::newRow("Text sets Caption") << QByteArray("Text") << true;
        QTest::newRow("Caption sets the text") << QByteArray("Caption") << true;
    }

    void windowTextAndText()
    {
        QFETCH(QByteArray, property);
        QFETCH(bool, captionFollows);
        CKroLabelCtrl label;
        QVERIFY(label.setProperty(property, QString("Nuovo")));
        QCOMPARE(label.TestoContenuto(), QString("Nuovo"));
        QCOMPARE(label.property("WindowText").toString(), QString("Nuovo"));
        QCOMPARE(label.Caption(), captionFollows ? QString("Nuovo") : QString("Testo Contenuto"));
        QVERIFY(label.IsModified());
    }

    // DimensioneFont is the cell height: the caption's lines lie exactly that far apart on both
    // controls, also where the face has no size of that very cell (DejaVu Sans bold, 12).
    void linesAreTheCellApart_data()
    {
        QTest::addColumn<bool>("button");
        QTest::addColumn<int>("cell");
        QTest::newRow("button 36") << true << 36;
        QTest::newRow("button 12") << true << 12;
        QTest::newRow("label 24") << false << 24;
        QTest::newRow("label 12") << false << 12;
    }

    void linesAreTheCellApart()
    {
        QFETCH(bool, button);
        QFETCH(int, cell);
        std::unique_ptr<CKroControl> ctrl;
        if (button)
            ctrl = std::make_unique<CKROButtonCtrl>();
        else
            ctrl = std::make_unique<CKroLabelCtrl>();
        ctrl->SetEffettoContorno(button ? 9 : 0);
        ctrl->SetAllVerticaleTesto(0);
        ctrl->SetFontName("DejaVu Sans");
        ctrl->SetBold(700);
        ctrl->SetDimensioneFont(cell);
        ctrl->SetTestoContenuto("I\nI");
        const int w = 60, h = 3 * cell + 20;
        ctrl->resize(w, h);
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(kBlank);
        {
            QPainter dc(&image);
            ctrl->OnDraw(dc, QRect(0, 0, w, h));
        }
        QList<int> tops; // the first inked row of each line
        bool inked = false;
        for (int y = 0; y < h; ++y) {
            bool row = false;
            for (int x = 0; x < w && !row; ++x)
                row = image.pixel(x, y) != kBlank;
            if (row && !inked)
                tops.append(y);
            inked = row;
        }
        QCOMPARE(tops.size(), 2);
        QCOMPARE(tops[1] - tops[0], cell);
    }

    void everyPropertyNotifiesItsChange_data()
    {
        QTest::addColumn<bool>("button");
        QTest::newRow("button") << true;
        QTest::newRow("label") << false;
    }

    // Each stored property and each name of the caption tells its change once, with the new
    // value, and tells nothing when set to the value it has (which still marks the control
    // modified).
    void everyPropertyNotifiesItsChange()
    {
        QFETCH(bool, button);
        std::unique_ptr<CKroControl> ctrl;
        if (button)
            ctrl = std::make_unique<CKROButtonCtrl>();
        else
            ctrl = std::make_unique<CKroLabelCtrl>();
        QList<PropSpec> specs = button ? CKROButtonCtrl::Specs() : CKroLabelCtrl::Specs();
        for (const char* alias : {"Text", "WindowText", "Caption"})
            specs.append({alias, PropKind::String, 0, nullptr});
        for (const PropSpec& spec : specs) {
            const QMetaProperty property =
                ctrl->metaObject()->property(ctrl->metaObject()->indexOfProperty(spec.name));
            QVERIFY2(property.hasNotifySignal(), spec.name);
            QSignalSpy spy(ctrl.get(), property.notifySignal());
            const QVariant now = property.read(ctrl.get());
            const QVariant next = spec.kind == PropKind::String ? QVariant(now.toString() + "x")
                                  : spec.kind == PropKind::Bool ? QVariant(!now.toBool())
                                  : spec.kind == PropKind::Short || spec.kind == PropKind::Long
                                      ? QVariant(now.toInt() + 1)
                                      : QVariant(now.toUInt() ^ 0x123456u);
            QVERIFY2(property.write(ctrl.get(), next), spec.name);
            QVERIFY2(spy.count() == 1, spec.name);
            QVERIFY2(spy[0][0] == next, spec.name);
            ctrl->SetModifiedFlag(false);
            property.write(ctrl.get(), next);
            QVERIFY2(spy.count() == 1, spec.name);
            QVERIFY2(ctrl->IsModified(), spec.name);
        }
    }
};

QTEST_MAIN(TestKroLabelCtrl)
#include "tst_kro_label_ctrl.moc"
