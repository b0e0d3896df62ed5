// Tests of the button control: pixels of its contour, border, backgrounds and focus mark; the
// order of its events; its property stream and the caption properties.
#include "controls/button/kro_button_ctrl.h"

#include "controls/common/gdi_paint.h"

#include <QApplication>
#include <QSignalSpy>
#include <QPainter>
#include <QTest>

namespace {

constexpr QRgb kBlank = 0xFF123456;
const QColor kFace(0x70, 0x80, 0x90);
constexpr OLE_COLOR kBackground = 0x20A0E0;

QImage Render(CKROButtonCtrl& ctrl, int w, int h)
{
    ctrl.resize(w, h);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kBlank);
    QPainter dc(&image);
    ctrl.OnDraw(dc, QRect(0, 0, w, h));
    return image;
}

// A control without a caption, on a known button face, so that only the frame paints.
void Prepare(CKROButtonCtrl& ctrl)
{
    QPalette palette = ctrl.palette();
    palette.setColor(QPalette::Button, kFace);
    ctrl.setPalette(palette);
    ctrl.SetTestoContenuto(QString());
}

// One character per pixel: L light pen, D dark pen, B background, b darkened background,
// . untouched.
QString Describe(const QImage& image, const QList<QPoint>& points)
{
    const QColor light = LightPen(kFace);
    const QColor dark = DarkPen(kFace);
    QString s;
    for (const QPoint& p : points) {
        const QColor c = image.pixelColor(p);
        s += c == light                                ? u'L'
             : c == dark                               ? u'D'
             : c == ToQColor(kBackground)              ? u'B'
             : c == ToQColor(DarkenColor(kBackground, 20)) ? u'b'
             : image.pixel(p) == kBlank                ? u'.'
                                                       : u'?';
    }
    return s;
}

QList<QPoint> Row(int y, int x0, int dx, int n)
{
    QList<QPoint> points;
    for (int i = 0; i < n; ++i)
        points.append({x0 + i * dx, y});
    return points;
}

QList<QPoint> Column(int x, int y0, int dy, int n)
{
    QList<QPoint> points;
    for (int i = 0; i < n; ++i)
        points.append({x, y0 + i * dy});
    return points;
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

const QByteArray kCaption = Hex("11") + "Testo del bottone";
const QByteArray kDefaultStream =
    Hex("00000100" "560a0000" "2b050000" "42000000") + kCaption + Hex("01") + kCaption +
    Hex("0100" "0100" "00" "00000000" "0000" "ffffff00" "00" "ffffff00" "00ffff00" "0000ff00") +
    Hex("0d") + "MS Sans Serif" +
    Hex("0c000000" "00000000" "00" "00" "00" "00000000" "0100" "0000" "0000" "0000ff00" "00"
        "ffffff00");

} // namespace

class TestKroButtonCtrl : public QObject
{
    Q_OBJECT

private slots:
    // Left and top edges read as the upper-left half of the rings, right and bottom edges as the
    // lower-right half; the background shows where the contour's shrink ends.
    void contour_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("upperLeft");  // x or y = 0, 1, 2, 3, 4, 5
        QTest::addColumn<QString>("lowerRight"); // x or y = last, last - 1, ...
        QTest::newRow("flat") << 0 << false << true << "DLBBBB" << "DLBBBB";
        QTest::newRow("flat pressed") << 0 << true << true << "DDL.BB" << "DDLBBB";
        QTest::newRow("raised") << 1 << false << true << "LBBBBB" << "DBBBBB";
        QTest::newRow("raised pressed") << 1 << true << true << "DD.BBB" << "DDBBBB";
        QTest::newRow("sunken") << 2 << false << true << "DBBBBB" << "LBBBBB";
        QTest::newRow("sunken pressed") << 2 << true << true << "DD.BBB" << "LDBBBB";
        QTest::newRow("etched") << 3 << false << true << "L.DBBB" << "D.LBBB";
        QTest::newRow("etched pressed") << 3 << true << true << "L.DD.B" << "D.LDBB";
        QTest::newRow("no contour") << 9 << false << true << "BBBBBB" << "BBBBBB";
        // Disabled, the background's outline keeps its colour and only the inside darkens.
        QTest::newRow("disabled raised is sunken") << 1 << false << false << "DBbbbb" << "LBbbbb";
        QTest::newRow("disabled sunken is flat") << 2 << false << false << "DLBbbb" << "DLBbbb";
        QTest::newRow("disabled flat is sunken") << 0 << false << false << "DBbbbb" << "LBbbbb";
    }

    void contour()
    {
        QFETCH(int, style);
        QFETCH(bool, pressed);
        QFETCH(bool, enabled);
        QFETCH(QString, upperLeft);
        QFETCH(QString, lowerRight);
        CKROButtonCtrl ctrl;
        Prepare(ctrl);
        ctrl.SetEffettoContorno(style);
        ctrl.SetStileSfondo(1);
        ctrl.SetColoreOpacoSfondo(kBackground);
        ctrl.setEnabled(enabled);
        if (pressed)
            QTest::mousePress(&ctrl, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(ctrl.IsPressed(), pressed);
        const QImage image = Render(ctrl, 40, 30);
        QCOMPARE(Describe(image, Row(15, 0, 1, 6)), upperLeft);
        QCOMPARE(Describe(image, Column(20, 0, 1, 6)), upperLeft);
        QCOMPARE(Describe(image, Row(15, 39, -1, 6)), lowerRight);
        QCOMPARE(Describe(image, Column(20, 29, -1, 6)), lowerRight);
    }

    // Raised contour, then the border ring, then the background inside it.
    void border()
    {
        CKROButtonCtrl ctrl;
        Prepare(ctrl);
        ctrl.SetBordo(true);
        ctrl.SetColoreBordo(0x0000FF);
        ctrl.SetStileSfondo(1);
        ctrl.SetColoreOpacoSfondo(kBackground);
        const QImage image = Render(ctrl, 20, 10);
        QCOMPARE(Describe(image, {{0, 5}, {2, 5}, {17, 5}, {19, 5}}), QString("LBBD"));
        QCOMPARE(image.pixelColor(1, 5), QColor(Qt::red));
        QCOMPARE(image.pixelColor(18, 5), QColor(Qt::red));
        QCOMPARE(image.pixelColor(10, 1), QColor(Qt::red));
        QCOMPARE(image.pixelColor(10, 8), QColor(Qt::red));
    }

    // A flat contour leaves R = (2, 2, w - 2, 38): the split falls at 38 / 2 = 19, not at R's
    // middle 20. The lower band rises from black at row 37 in steps of 13 to 234 at row 19.
    void gradientSplitsInControlCoordinates()
    {
        CKROButtonCtrl ctrl;
        Prepare(ctrl);
        ctrl.SetEffettoContorno(0);
        ctrl.SetStileSfondo(2);
        ctrl.SetColoreGradiente1(0x0000FF);
        ctrl.SetColoreGradiente2(0x0000FF);
        ctrl.SetColoreGradiente3(0x000000);
        const QImage image = Render(ctrl, 10, 40);
        QCOMPARE(image.pixelColor(5, 2), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(5, 18), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(5, 19), QColor(234, 0, 0));
        QCOMPARE(image.pixelColor(5, 37), QColor(0, 0, 0));
    }

    // A horizontal band of 300 columns: 45 of the start colour, then one step per column.
    void gradientBandOf300Columns()
    {
        CKROButtonCtrl ctrl;
        Prepare(ctrl);
        ctrl.SetEffettoContorno(9);
        ctrl.SetStileSfondo(2);
        ctrl.SetOrientamentoGrad(true);
        ctrl.SetColoreGradiente1(0x000000);
        ctrl.SetColoreGradiente2(0x0000B4);
        ctrl.SetColoreGradiente3(0x0000B4);
        const QImage image = Render(ctrl, 600, 3);
        for (int x = 0; x < 45; ++x)
            QCOMPARE(image.pixelColor(x, 1), QColor(0, 0, 0));
        for (int i = 0; i < 255; ++i)
            QCOMPARE(image.pixelColor(45 + i, 1), QColor(std::min(i, 180), 0, 0));
    }

    // The dotted outline runs 3 pixels inside R = (1, 1, 29, 19): three pixels in the text
    // colour, three white, on across the corner.
    void focusMark_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QColor>("inside");
        QTest::newRow("dotted outline") << 0 << QColor(QRgb(kBlank));
        QTest::newRow("coloured rectangle") << 1 << QColor(Qt::green);
    }

    void focusMark()
    {
        QFETCH(int, style);
        QFETCH(QColor, inside);
        CKROButtonCtrl ctrl;
        Prepare(ctrl);
        ctrl.SetStileFuoco(style);
        ctrl.SetColoreTesto(0x0000FF);
        ctrl.SetColoreFuoco(0x00FF00);
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(&ctrl, &in);
        QVERIFY(ctrl.HasFocusMark());
        const QImage image = Render(ctrl, 30, 20);
        QString top;
        for (int x = 4; x <= 26; ++x)
            top += image.pixelColor(x, 4) == QColor(Qt::red) ? u'o' : u'-';
        QCOMPARE(top, QString("ooo---ooo---ooo---ooo--"));
        QString right; // the pattern goes on down the right side: x = 26 from y = 4
        for (int y = 4; y <= 10; ++y)
            right += image.pixelColor(26, y) == QColor(Qt::red) ? u'o' : u'-';
        QCOMPARE(right, QString("--ooo--"));
        QCOMPARE(image.pixelColor(7, 4), QColor(Qt::white));
        QCOMPARE(image.pixelColor(2, 2), inside);
    }

    void focusTextColour()
    {
        CKROButtonCtrl ctrl;
        ctrl.SetColoraTestoInFuoco(true);
        ctrl.SetColoreTestoFuoco(0x0000FF);
        ctrl.SetTestoContenuto("MMMMMMMM");
        ctrl.SetDimensioneFont(30);
        auto hasRed = [&] {
            const QImage image = Render(ctrl, 120, 60);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixelColor(x, y) == QColor(Qt::red))
                        return true;
            return false;
        };
        QVERIFY(!hasRed());
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(&ctrl, &in);
        QVERIFY(hasRed());
    }

    void events_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("fired");
        QTest::newRow("Enter held with auto-repeat: one Click, before KeyDown")
            << "kd:13 kr:13 kr:13 ku:13"
            << "Click KeyDown(13) KeyPress(13) KeyDown(13) KeyPress(13) KeyDown(13) KeyPress(13) "
               "KeyUp(13)";
        QTest::newRow("Enter while Space is held: no second Click")
            << "kd:32 kd:13 ku:13 ku:32"
            << "Click KeyDown(32) KeyPress(32) KeyDown(13) KeyPress(13) KeyUp(13) KeyUp(32)";
        QTest::newRow("click inside") << "md:5,5 mu:6,6"
                                      << "MouseDown(1) MouseUp(1) Click";
        QTest::newRow("released outside: no Click") << "md:5,5 mm:80,80 mu:80,80"
                                                    << "MouseDown(1) MouseMove(1) MouseUp(1)";
        QTest::newRow("right click fires no Click") << "rd:5,5 ru:5,5"
                                                    << "MouseDown(2) MouseUp(2)";
        QTest::newRow("double click") << "md:5,5 mu:5,5 dc:5,5 mu:5,5"
                                      << "MouseDown(1) MouseUp(1) Click MouseDown(1) DblClick "
                                         "MouseUp(1)";
        QTest::newRow("focus arrives and leaves") << "fi fo" << "OnSetFocus OnKillFocus";
        QTest::newRow("disabled: focus refused, leaving still told")
            << "off fi fo" << "OnKillFocus";
        QTest::newRow("disabled: a click step fires nothing") << "off click" << "";
    }

    void events()
    {
        QFETCH(QString, script);
        QFETCH(QString, fired);
        QWidget window;
        auto* ctrl = new CKROButtonCtrl(&window);
        ctrl->setGeometry(0, 40, 60, 30);
        QStringList log;
        auto note = [&log](const QString& s) { log.append(s); };
        connect(ctrl, &CKROButtonCtrl::OnSetFocus, [&] { note("OnSetFocus"); });
        connect(ctrl, &CKROButtonCtrl::OnKillFocus, [&] { note("OnKillFocus"); });
        connect(ctrl, &CKROButtonCtrl::Click, [&] { note("Click"); });
        connect(ctrl, &CKROButtonCtrl::DblClick, [&] { note("DblClick"); });
        connect(ctrl, &CKROButtonCtrl::KeyDown,
                [&](short k, short) { note(QString("KeyDown(%1)").arg(k)); });
        connect(ctrl, &CKROButtonCtrl::KeyPress,
                [&](short k) { note(QString("KeyPress(%1)").arg(k)); });
        connect(ctrl, &CKROButtonCtrl::KeyUp,
                [&](short k, short) { note(QString("KeyUp(%1)").arg(k)); });
        connect(ctrl, &CKROButtonCtrl::MouseDown,
                [&](short b, short, int, int) { note(QString("MouseDown(%1)").arg(b)); });
        connect(ctrl, &CKROButtonCtrl::MouseMove,
                [&](short b, short, int, int) { note(QString("MouseMove(%1)").arg(b)); });
        connect(ctrl, &CKROButtonCtrl::MouseUp,
                [&](short b, short, int, int) { note(QString("MouseUp(%1)").arg(b)); });
        QSignalSpy clicks(ctrl, &CKROButtonCtrl::Click);

        auto key = [&](QEvent::Type type, int vk, bool repeat) {
            const int qtKey = vk == 13 ? Qt::Key_Return : Qt::Key_Space;
            QKeyEvent e(type, qtKey, Qt::NoModifier, vk == 13 ? "\r" : " ", repeat);
            QApplication::sendEvent(ctrl, &e);
        };
        auto mouse = [&](QEvent::Type type, Qt::MouseButton button, const QString& at) {
            const QStringList xy = at.split(u',');
            const QPointF p(xy[0].toInt(), xy[1].toInt());
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                          : type == QEvent::MouseMove       ? Qt::LeftButton
                                                                            : button;
            QMouseEvent e(type, p, ctrl->mapToGlobal(p), button, held, Qt::NoModifier);
            QApplication::sendEvent(ctrl, &e);
        };
        for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
            const QString op = step.section(u':', 0, 0);
            const QString arg = step.section(u':', 1);
            if (op == "kd" || op == "kr")
                key(QEvent::KeyPress, arg.toInt(), op == "kr");
            else if (op == "ku")
                key(QEvent::KeyRelease, arg.toInt(), false);
            else if (op == "md")
                mouse(QEvent::MouseButtonPress, Qt::LeftButton, arg);
            else if (op == "mu")
                mouse(QEvent::MouseButtonRelease, Qt::LeftButton, arg);
            else if (op == "rd")
                mouse(QEvent::MouseButtonPress, Qt::RightButton, arg);
            else if (op == "ru")
                mouse(QEvent::MouseButtonRelease, Qt::RightButton, arg);
            else if (op == "dc")
                mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, arg);
            else if (op == "mm") {
                mouse(QEvent::MouseMove, Qt::NoButton, arg);
                QVERIFY(ctrl->IsPressed()); // the pressed look stays until the release
            } else if (op == "fi" || op == "fo") {
                QFocusEvent e(op == "fi" ? QEvent::FocusIn : QEvent::FocusOut);
                QApplication::sendEvent(ctrl, &e);
            } else if (op == "off")
                ctrl->setEnabled(false);
            else if (op == "click")
                ctrl->OnClick(1);
        }
        QCOMPARE(log.join(u' '), fired);
        QCOMPARE(clicks.count(), int(fired.count("Click") - fired.count("DblClick")));
        QVERIFY(!ctrl->IsPressed());
        if (!ctrl->isEnabled())
            QVERIFY(!ctrl->HasFocusMark());
    }

    void defaultStream()
    {
        CKROButtonCtrl ctrl;
        QCOMPARE(ctrl.SaveToStream(), kDefaultStream);
        QVERIFY(!ctrl.IsModified());
    }

    void streamRoundTrip()
    {
        CKROButtonCtrl ctrl;
        ctrl.SetText(QString(300, u'x'));
        ctrl.SetAllVerticaleTesto(2);
        ctrl.SetColoreBordo(0x80000005);
        ctrl.SetBold(774);
        ctrl.setEnabled(false);
        const QByteArray saved = ctrl.SaveToStream();
        // TestoContenuto leads the custom properties, right after the stock caption and Enabled.
        const int custom = 16 + 3 + 300 + 1;
        QCOMPARE(saved.mid(custom, 3), Hex("ff2c01"));
        QCOMPARE(saved.mid(custom + 303, 4), Hex("0100" "0200"));
        CKROButtonCtrl copy;
        QVERIFY(copy.LoadFromStream(saved));
        QCOMPARE(copy.TestoContenuto(), ctrl.TestoContenuto());
        QCOMPARE(copy.Caption(), ctrl.TestoContenuto());
        QCOMPARE(copy.AllVerticaleTesto(), 2);
        QCOMPARE(copy.ColoreBordo(), 0x80000005u);
        QCOMPARE(copy.Bold(), 774);
        QVERIFY(!copy.isEnabled());
        QCOMPARE(copy.SaveToStream(), saved);
    }

    // A stream cut anywhere gives the defaults and false.
    void truncatedStreamGivesDefaults()
    {
        for (qsizetype n = 0; n < kDefaultStream.size(); ++n) {
            CKROButtonCtrl ctrl;
            ctrl.SetBold(900);
            ctrl.SetTestoContenuto("changed");
            QVERIFY(!ctrl.LoadFromStream(kDefaultStream.first(n)));
            QCOMPARE(ctrl.Bold(), 0);
            QCOMPARE(ctrl.TestoContenuto(), QString("Testo del bottone"));
        }
    }

    void exchangeLeavesBitmapMode()
    {
        CKROButtonCtrl ctrl;
        QPixmap picture(4, 4);
        ctrl.InserisciBitmap(picture);
        QVERIFY(ctrl.IsBitmapMode());
        ctrl.SaveToStream();
        QVERIFY(!ctrl.IsBitmapMode());
    }

    void captionProperties_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<bool>("captionFollows");
        QTest::newRow("Text") << QByteArray("Text") << true;
        QTest::newRow("WindowText") << QByteArray("WindowText") << true;
        QTest::newRow("TestoContenuto") << QByteArray("TestoContenuto") << false;
        QTest::newRow("Caption") << QByteArray("Caption") << true;
    }

    void captionProperties()
    {
        QFETCH(QByteArray, property);
        QFETCH(bool, captionFollows);
        CKROButtonCtrl ctrl;
        QVERIFY(!ctrl.IsModified());
        QVERIFY(ctrl.setProperty(property, QString("Nuovo")));
        QCOMPARE(ctrl.TestoContenuto(), QString("Nuovo"));
        QCOMPARE(ctrl.Caption(), captionFollows ? QString("Nuovo") : QString("Testo del bottone"));
        QVERIFY(ctrl.IsModified());
    }
};

QTEST_MAIN(TestKroButtonCtrl)
#include "tst_kro_button_ctrl.moc"
