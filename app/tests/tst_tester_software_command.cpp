// Tests that the main window's first command opens the tester software dialog, from the menu,
// the toolbar and F2.
#include "app/app_constants.h"
#include "app/main_frame.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/texts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestTesterSoftwareCommand : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString previous_ = QDir::currentPath();

    // Runs `trigger` and returns the name of the modal dialog it opened (closed again at once).
    static QString OpenedBy(const std::function<void()>& trigger)
    {
        QString opened;
        QTimer::singleShot(0, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                opened = w->objectName();
                w->close();
            }
        });
        trigger();
        return opened;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        // A port that cannot be opened: the program runs on without one.
        QFile ini(dir_.filePath("VELANTO.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[PORTE_COM]\nCOM1=" + dir_.filePath("no-such-device").toUtf8() + "\n");
        ini.close();
        QDir::setCurrent(dir_.path());
        LoadConfiguration(dir_.path().toStdString());
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        SetMessageBoxHook([](const std::string&, const std::string&, int) { return 1; });
    }
    void cleanupTestCase() { QDir::setCurrent(previous_); }

    void commandOpensTheDialog()
    {
        CMainFrame frame;
        auto* view = new CZOLTView(&frame);
        QVERIFY(view->Create());
        frame.SetView(view);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(OpenedBy([&] { frame.GetAction(cmd::TesterSoftware)->trigger(); }),
                 QString("CTesterSoftwareDlg"));
        // A shortcut reaches only the active window.
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QCOMPARE(OpenedBy([&] { QTest::keyClick(&frame, Qt::Key_F2); }),
                 QString("CTesterSoftwareDlg"));
        auto* button = frame.findChild<QToolButton*>("toolButton32772");
        QVERIFY(button);
        QCOMPARE(OpenedBy([&] { QTest::mouseClick(button, Qt::LeftButton); }),
                 QString("CTesterSoftwareDlg"));
    }
};

QTEST_MAIN(TestTesterSoftwareCommand)
#include "tst_tester_software_command.moc"
