// Tests of start-up: the splash's timing, the application's identity, the notice about a missing
// text file, and a single running copy.
#include "app/app_constants.h"
#include "app/splash_dlg.h"
#include "app/zolt_app.h"
#include "core/app_config.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestStartUp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
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
        QCOMPARE(CDibPicture::Measure(ZOLT_SOURCE_DIR "/data/LOGOINIT.BMP", w, h), 1);
        QCOMPARE(splash.size(), QSize(w, h));
    }

    // The splash lies in the middle of the screen, with and without a picture; a framed window
    // already open must not shift it (the platform's placing allows for a frame it lacks).
    void splashCentredOnTheScreen_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::newRow("picture") << ZOLT_SOURCE_DIR "/data/LOGOINIT.BMP";
        QTest::newRow("no picture") << "/nonexistent/LOGOINIT.BMP";
    }
    void splashCentredOnTheScreen()
    {
        QFETCH(QString, picture);
        QWidget framed;
        framed.setGeometry(50, 50, 200, 100);
        framed.show();
        QVERIFY(QTest::qWaitForWindowExposed(&framed));
        CSplashDlg splash(picture.toStdString());
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        const QPoint offset =
            splash.frameGeometry().center() - splash.screen()->availableGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 1,
                 qPrintable(QString("%1,%2").arg(offset.x()).arg(offset.y())));
    }

    // Titles are exactly the looked-up texts: the platform appends an application display
    // name to every window title when one is set, so none is. The window icon is there.
    void applicationIdentity()
    {
        CZOLTApp::ConfigureApplication();
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QCOMPARE(QCoreApplication::applicationName(), QString(kMainWindowClass));
        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        for (int size : {16, 32, 48, 64})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
    }

    // Without its text file the program says so in English and Italian, naming where it looked.
    void textsFileNotice_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says");
        QTest::newRow("in order") << ZOLT_SOURCE_DIR "/data/SWBASE.TXT" << QString();
        QTest::newRow("missing") << "missing/SWBASE.TXT"
                                 << "missing|Manca";
        QTest::newRow("a folder") << "folder/SWBASE.TXT"
                                  << "cannot be read|non si può leggere";
        QTest::newRow("no texts") << "empty/SWBASE.TXT"
                                  << "cannot be read|non si può leggere";
    }
    void textsFileNotice()
    {
        QFETCH(QString, file);
        QFETCH(QString, says);
        QDir(dir_.path()).mkpath("folder/SWBASE.TXT");
        QDir(dir_.path()).mkpath("empty");
        QFile(dir_.filePath("empty/SWBASE.TXT")).open(QIODevice::WriteOnly);
        const QString path = QFileInfo(file).isAbsolute() ? file : dir_.filePath(file);
        const QString notice = CZOLTApp::TextsFileNotice(path.toStdString());
        if (says.isEmpty()) {
            QCOMPARE(notice, QString());
            return;
        }
        QVERIFY(notice.contains(path));
        for (const QString& word : says.split('|'))
            QVERIFY2(notice.contains(word), qPrintable(notice));
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
