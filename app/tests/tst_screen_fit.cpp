// Tests that windows open within the screen: the fitting rule, and the dialogs' smallest sizes
// against a 1280 x 1024 screen scaled by 2.
#include "app/language_dlg.h"
#include "app/screen_fit.h"
#include "app/serial_port_dlg.h"
#include "core/app_config.h"
#include "core/msg_box_dlg.h"
#include "platform/help_window.h"
#include "software/install_software_dlg.h"

#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

class TestScreenFit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        AppConfig.workDir = dir_.path().toStdString();
        AppConfig.profilePath = dir_.filePath("VELANTO.INI").toStdString();
        AppConfig.ecuCatalogPath = dir_.filePath("ECU.INI").toStdString();
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
    }

    void cleanup() { AppConfig.language = 0; }

    void fitIntoArea_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("fitted");
        // The area is 640 x 480 at (0, 0); frames are 4 pixels wide with a 30-pixel title.
        QTest::newRow("fits already")
            << QRect(100, 100, 300, 200) << QSize() << QRect(100, 100, 300, 200);
        QTest::newRow("too large")
            << QRect(0, 0, 1440, 920) << QSize(300, 200) << QRect(4, 30, 632, 446);
        QTest::newRow("off to the right")
            << QRect(500, 300, 300, 200) << QSize() << QRect(336, 276, 300, 200);
        QTest::newRow("above the top")
            << QRect(-50, -20, 300, 200) << QSize() << QRect(4, 30, 300, 200);
        QTest::newRow("smallest larger than the area")
            << QRect(200, 200, 800, 300) << QSize(700, 100) << QRect(4, 176, 700, 300);
    }

    void fitIntoArea()
    {
        QFETCH(QRect, geometry);
        QFETCH(QSize, minimum);
        QFETCH(QRect, fitted);
        QCOMPARE(FitIntoArea(geometry, QMargins(4, 30, 4, 4), minimum, QRect(0, 0, 640, 480)),
                 fitted);
    }

    // At scale 2 a 1280 x 1024 screen offers 640 x 512; panels take some of the height.
    void dialogsFitAScaledScreen_data()
    {
        QTest::addColumn<int>("language");
        for (int i = 0; i < 6; ++i)
            QTest::newRow(kLanguageCodes[i]) << i;
    }

    void dialogsFitAScaledScreen()
    {
        QFETCH(int, language);
        AppConfig.language = std::uint8_t(language);
        CLanguageDlg lang;
        CSerialPortDlg port(1);
        CMsgBoxDlg box;
        box.SetContent("Titolo", std::string(390, 'x'), 16, 0);
        CInstallSoftwareDlg install;
        for (QWidget* w : std::initializer_list<QWidget*>{&lang, &port, &box, &install}) {
            const QSize smallest = w->minimumSizeHint().expandedTo(w->minimumSize());
            QVERIFY2(smallest.width() <= 632 && smallest.height() <= 440,
                     qPrintable(QString("%1 %2x%3")
                                    .arg(w->objectName())
                                    .arg(smallest.width())
                                    .arg(smallest.height())));
        }
    }

    // Shown with the filter, a window larger than the screen is shrunk into it.
    void windowsOpenOnTheScreen()
    {
        ScreenFitFilter filter;
        qApp->installEventFilter(&filter);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        CInstallSoftwareDlg install;
        install.resize(area.width() + 400, area.height() + 300);
        install.show();
        QVERIFY(area.contains(install.geometry()));
        HelpWindow* help = HelpWindow::Instance();
        help->resize(area.width() + 200, area.height() + 200);
        help->move(area.right() - 100, area.bottom() - 100);
        help->show();
        QVERIFY(area.contains(help->geometry()));
        help->hide();
        qApp->removeEventFilter(&filter);
    }

    // The filter leaves a dialog where Qt places it, centred over its parent window, and
    // shrinks it first when it is too large.
    void dialogsStayOverTheirParent_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("fits") << QSize(300, 200);
        QTest::newRow("too large") << QSize(5000, 4000);
    }
    void dialogsStayOverTheirParent()
    {
        QFETCH(QSize, size);
        ScreenFitFilter filter;
        qApp->installEventFilter(&filter);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget parent;
        parent.setGeometry(QRect(area.topLeft() + QPoint(200, 150), QSize(600, 400)));
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        CSerialPortDlg port(1, &parent);
        port.resize(size);
        port.show();
        qApp->removeEventFilter(&filter);
        QVERIFY(area.contains(port.geometry()));
        if (size.width() < area.width()) {
            const QPoint offset = port.geometry().center() - parent.geometry().center();
            QVERIFY2(offset.manhattanLength() <= 4,
                     qPrintable(QString("%1,%2").arg(offset.x()).arg(offset.y())));
        }
    }
};

QTEST_MAIN(TestScreenFit)
#include "tst_screen_fit.moc"
