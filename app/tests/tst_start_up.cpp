// Tests of start-up: the splash's timing, a single running copy, and the main window's menus
// and tips in every language.
#include "app/app_constants.h"
#include "app/main_frame.h"
#include "app/splash_dlg.h"
#include "app/zolt_app.h"
#include "core/app_config.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

class TestStartUp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase()
    {
        AppConfig.workDir = dir_.path().toStdString();
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
    }

    // The splash stays two seconds and cannot be closed earlier.
    void splashClosesAfterItsTime()
    {
        CSplashDlg splash(ZOLT_SOURCE_DIR "/data/LOGOINIT.BMP");
        QTimer::singleShot(100, &splash, [&] {
            QTest::keyClick(&splash, Qt::Key_Escape);
            splash.close();
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(splash.exec(), 1);
        QVERIFY2(clock.elapsed() >= CSplashDlg::kShowMs,
                 qPrintable(QString::number(clock.elapsed())));
    }

    void splashTakesThePictureSize()
    {
        CSplashDlg missing("/nonexistent/LOGOINIT.BMP");
        QCOMPARE(missing.size(), QSize(368, 218));
        QCOMPARE(missing.palette().color(QPalette::Window), QColor(199, 0, 0));
        CSplashDlg splash(ZOLT_SOURCE_DIR "/data/LOGOINIT.BMP");
        int w = 0, h = 0;
        if (CDibPicture::Measure(ZOLT_SOURCE_DIR "/data/LOGOINIT.BMP", w, h))
            QCOMPARE(splash.size(), QSize(w, h));
    }

    void menusAndTipsInEveryLanguage_data()
    {
        QTest::addColumn<int>("language");
        for (int i = 0; i < 6; ++i)
            QTest::newRow(kLanguageCodes[i]) << i;
    }

    void menusAndTipsInEveryLanguage()
    {
        QFETCH(int, language);
        AppConfig.language = 0;
        CMainFrame frame;
        const QString italian = frame.action(cmd::TesterSoftware)->text();
        AppConfig.language = std::uint8_t(language);
        frame.RelabelMenu();
        QStringList texts;
        for (auto* menu : frame.findChildren<QMenu*>()) {
            texts << menu->title();
            for (QAction* a : menu->actions())
                if (!a->isSeparator())
                    texts << a->text();
        }
        QCOMPARE(texts.size(), 4 + 10);
        for (int command : {cmd::TesterSoftware, cmd::InstallSoftware, cmd::SelectSerialPort,
                            cmd::SelectLanguage, cmd::PrintSetup, cmd::AppAbout})
            texts << MainToolBar::TipText(command);
        for (const QString& t : texts) {
            QVERIFY2(!t.isEmpty() && !t.contains("()----()"), qPrintable(t));
            QVERIFY(t.size() <= 79);
        }
        QVERIFY(MainToolBar::TipText(cmd::Exit).isEmpty());
        if (language != 0)
            QVERIFY(frame.action(cmd::TesterSoftware)->text() != italian);
        // The toolbar holds the commands in their order, with two separators.
        QStringList order;
        for (QAction* a : frame.findChild<QToolBar*>("mainToolBar")->actions()) {
            order << (a->isSeparator() ? "-" : QString::number(a->data().toInt()));
            // The pictures are resources of a static library: they must really be there.
            QVERIFY(a->isSeparator() || !a->icon().isNull());
        }
        QCOMPARE(order.join(' '), QString("32772 32784 - 32771 32776 - 57606 57664"));
        QVERIFY(frame.menuBar()->cornerWidget(Qt::TopRightCorner)->findChild<QMenu*>("menu4"));
        AppConfig.language = 0;
    }

    // A second copy ends by itself and leaves the first one running.
    void secondCopyEnds()
    {
        const QString program = ZOLT_BINARY_DIR "/bin/ZOLT";
        if (!QFile::exists(program))
            QSKIP("the program is not built in this configuration");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZOLT_LOCK_DIR", dir_.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess first, second;
        for (QProcess* p : {&first, &second}) {
            p->setProcessEnvironment(env);
            p->setWorkingDirectory(dir_.path());
        }
        first.start(program);
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir_.filePath("zoltClass.lock")), 5000);
        second.start(program);
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(5000));
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_start_up.moc"
