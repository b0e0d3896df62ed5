// Tests of the property sheet and pages on a button: values shown on opening, applying only what
// changed, the enabling rules, and the colour picker.
#include "controls/button/kro_button_ctrl.h"

#include "controls/common/color_dlg.h"
#include "controls/common/color_swatch.h"
#include "controls/common/kro_property_sheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

template <typename T> T* Find(QWidget* root, const char* name)
{
    T* w = root->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

void LeaveEdit(QLineEdit* edit)
{
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
}

} // namespace

class TestPropPages : public QObject
{
    Q_OBJECT

private slots:
    void openingShowsTheValues()
    {
        CKROButtonCtrl ctrl;
        ctrl.SetTestoContenuto("Avvio");
        ctrl.SetAllOrizzontaleTesto(2);
        ctrl.SetStileSfondo(1);
        ctrl.SetColoreOpacoSfondo(0x123456);
        ctrl.SetFontName("DejaVu Sans");
        ctrl.SetDimensioneFont(20);
        ctrl.SetBold(700);
        ctrl.SetEffettoContorno(3);
        std::unique_ptr<CKroPropertySheet> sheet(ctrl.CreatePropertySheet(nullptr));
        QCOMPARE(Find<QLineEdit>(sheet.get(), "textEdit")->text(), QString("Avvio"));
        QCOMPARE(Find<QComboBox>(sheet.get(), "horizontalCombo")->currentText(), QString("Destra"));
        QVERIFY(Find<QAbstractButton>(sheet.get(), "opaqueRadio")->isChecked());
        QCOMPARE(Find<CColorSwatch>(sheet.get(), "opaqueSwatch")->Color(), 0x123456u);
        QCOMPARE(Find<QComboBox>(sheet.get(), "faceCombo")->currentText(), QString("DejaVu Sans"));
        QCOMPARE(Find<QLineEdit>(sheet.get(), "sizeEdit")->text(), QString("20"));
        QCOMPARE(Find<QSlider>(sheet.get(), "boldSlider")->value(), 700);
        QVERIFY(Find<QAbstractButton>(sheet.get(), "etchedRadio")->isChecked());
        QCOMPARE(sheet->ApplyAll(), 0);
    }

    // A value set on the control after opening survives an apply that did not touch it.
    void applyWritesChangedValuesOnly()
    {
        CKROButtonCtrl ctrl;
        std::unique_ptr<CKroPropertySheet> sheet(ctrl.CreatePropertySheet(nullptr));
        ctrl.SetBold(500);
        ctrl.SetStileSfondo(2);
        Find<QLineEdit>(sheet.get(), "textEdit")->setText("Nuovo testo");
        Find<QAbstractButton>(sheet.get(), "shadowRadio")->click();
        QVERIFY(Find<QAbstractButton>(sheet.get(), "applyButton")->isEnabled());
        QCOMPARE(sheet->ApplyAll(), 2);
        QCOMPARE(ctrl.TestoContenuto(), QString("Nuovo testo"));
        QCOMPARE(ctrl.EffettoTesto(), 1);
        QCOMPARE(ctrl.Bold(), 500);
        QCOMPARE(ctrl.StileSfondo(), 2);
        QCOMPARE(sheet->ApplyAll(), 0);
    }

    void backgroundStyleEnablesItsColours_data()
    {
        QTest::addColumn<QByteArray>("radio");
        QTest::addColumn<bool>("opaque");
        QTest::addColumn<bool>("gradient");
        QTest::newRow("Trasparente") << QByteArray("transparentRadio") << false << false;
        QTest::newRow("Opaco") << QByteArray("opaqueRadio") << true << false;
        QTest::newRow("Gradiente") << QByteArray("gradientRadio") << false << true;
    }

    void backgroundStyleEnablesItsColours()
    {
        QFETCH(QByteArray, radio);
        QFETCH(bool, opaque);
        QFETCH(bool, gradient);
        CKROButtonCtrl ctrl;
        ctrl.SetStileSfondo(radio == "gradientRadio" ? 1 : 2); // open on another style
        std::unique_ptr<CKroPropertySheet> sheet(ctrl.CreatePropertySheet(nullptr));
        Find<QAbstractButton>(sheet.get(), radio)->click();
        for (const char* name : {"opaqueColorButton", "opaqueSwatch"})
            QCOMPARE(Find<QWidget>(sheet.get(), name)->isEnabled(), opaque);
        for (const char* name : {"gradient1Button", "gradient2Button", "gradient3Button",
                                 "gradient1Swatch", "horizontalCheck"})
            QCOMPARE(Find<QWidget>(sheet.get(), name)->isEnabled(), gradient);
    }

    // The focus colour button starts disabled even for the coloured rectangle, until a radio is
    // clicked; the focus text colour follows its check box.
    void focusButtonsStartDisabled()
    {
        CKROButtonCtrl ctrl;
        ctrl.SetStileFuoco(1);
        ctrl.SetColoraTestoInFuoco(true);
        std::unique_ptr<CKroPropertySheet> sheet(ctrl.CreatePropertySheet(nullptr));
        auto* focusColour = Find<QWidget>(sheet.get(), "focusColorButton");
        auto* textColour = Find<QWidget>(sheet.get(), "focusTextColorButton");
        QVERIFY(!focusColour->isEnabled());
        QVERIFY(!textColour->isEnabled());
        Find<QAbstractButton>(sheet.get(), "rectangleRadio")->click();
        QVERIFY(focusColour->isEnabled());
        Find<QAbstractButton>(sheet.get(), "outlineRadio")->click();
        QVERIFY(!focusColour->isEnabled());
        Find<QAbstractButton>(sheet.get(), "colorTextCheck")->click();
        QVERIFY(!textColour->isEnabled()); // the click cleared the box
        Find<QAbstractButton>(sheet.get(), "colorTextCheck")->click();
        QVERIFY(textColour->isEnabled());
    }

    void typedChannelIsClamped_data()
    {
        QTest::addColumn<bool>("label");
        QTest::newRow("button: on leaving the edit") << false;
        QTest::newRow("label: while typing") << true;
    }

    void typedChannelIsClamped()
    {
        QFETCH(bool, label);
        CColorDlg dialog(0x000010, label ? PageFlavor::Label : PageFlavor::Button);
        auto* red = Find<QLineEdit>(&dialog, "redEdit");
        auto* slider = Find<QSlider>(&dialog, "redSlider");
        QCOMPARE(red->text(), QString("16"));
        red->clear();
        QTest::keyClicks(red, "300");
        if (label) {
            QCOMPARE(slider->value(), 255);
        } else {
            QCOMPARE(slider->value(), 16);
            LeaveEdit(red);
        }
        QCOMPARE(slider->value(), 255);
        QCOMPARE(red->text(), QString("255"));
        QCOMPARE(dialog.Current(), 0x0000FFu);
        QCOMPARE(Find<CColorSwatch>(&dialog, "currentSwatch")->Color(), 0x0000FFu);
        QCOMPARE(Find<CColorSwatch>(&dialog, "initialSwatch")->Color(), 0x000010u);
    }

    void parseChannel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("stops at a letter") << "12ab" << 12;
        QTest::newRow("sign") << "-7" << -7;
        QTest::newRow("huge is held") << QString(60, u'9') << 1000000000;
    }

    void parseChannel()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(CColorDlg::ParseChannel(text), value);
    }

    // Cancel in the picker opened from a page leaves the property as it was.
    void cancelInThePickerChangesNothing()
    {
        CKROButtonCtrl ctrl;
        ctrl.SetColoreBordo(0x123456);
        std::unique_ptr<CKroPropertySheet> sheet(ctrl.CreatePropertySheet(nullptr));
        QTimer::singleShot(0, [] {
            auto* picker = qobject_cast<CColorDlg*>(QApplication::activeModalWidget());
            QVERIFY(picker);
            Find<QSlider>(picker, "greenSlider")->setValue(1);
            QCOMPARE(picker->Current(), 0x120156u);
            Find<QAbstractButton>(picker, "cancelButton")->click();
        });
        Find<QAbstractButton>(sheet.get(), "bordoColorButton")->click();
        QCOMPARE(Find<CColorSwatch>(sheet.get(), "bordoSwatch")->Color(), 0x123456u);
        sheet->ApplyAll();
        QCOMPARE(ctrl.ColoreBordo(), 0x123456u);
    }
};

QTEST_MAIN(TestPropPages)
#include "tst_prop_pages.moc"
