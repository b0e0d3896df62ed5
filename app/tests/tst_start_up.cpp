// Tests of start-up: the splash's timing, the application's identity, the notices about missing
// or damaged files, a single running copy, and the working directory.
#include "app/app_constants.h"
#include "app/splash_dlg.h"
#include "app/zolt_app.h"
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "core/work_dir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

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

    // Only a lock held by a running copy ends the program silently; a lock that cannot be
    // created or read is said (in English and Italian) and the program goes on without it.
    void singleInstanceLock_data()
    {
        QTest::addColumn<QString>("lockDir");
        QTest::addColumn<QByteArray>("lockFile"); // written first when not null
        QTest::addColumn<bool>("heldByUs");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<bool>("said");
        QTest::newRow("free") << "locks" << QByteArray() << false << true << false;
        QTest::newRow("held by a running copy")
            << "locks" << QByteArray() << true << false << false;
        QTest::newRow("folder missing") << "missing/locks" << QByteArray() << false << true << true;
        QTest::newRow("folder is a file") << "plain" << QByteArray() << false << true << true;
        QTest::newRow("read-only folder") << "/proc" << QByteArray() << false << true << true;
        // A damaged lock holds no running copy: it is taken over without a word.
        QTest::newRow("damaged lock file")
            << "locks" << QByteArray("\x01\x02 junk") << false << true << false;
        QTest::newRow("empty lock file") << "locks" << QByteArray("") << false << true << false;
    }
    void singleInstanceLock()
    {
        QFETCH(QString, lockDir);
        QFETCH(QByteArray, lockFile);
        QFETCH(bool, heldByUs);
        QFETCH(bool, goesOn);
        QFETCH(bool, said);
        QTemporaryDir tmp;
        QDir(tmp.path()).mkpath("locks");
        QFile(tmp.filePath("plain")).open(QIODevice::WriteOnly);
        const QString dir = lockDir.startsWith('/') ? lockDir : tmp.filePath(lockDir);
        qputenv("ZOLT_LOCK_DIR", QFile::encodeName(dir));
        if (!lockFile.isNull()) {
            QFile file(CZOLTApp::LockPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(lockFile);
        }
        CZOLTApp first, second;
        if (heldByUs)
            QVERIFY(first.IsFirstInstance());
        QCOMPARE(second.IsFirstInstance(), goesOn);
        const QString notice = second.LockNotice();
        QCOMPARE(!notice.isEmpty(), said);
        if (said) {
            QVERIFY2(notice.contains(CZOLTApp::LockPath()), qPrintable(notice));
            QVERIFY2(notice.contains("cannot be created") && notice.contains("non si può creare"),
                     qPrintable(notice));
        }
        if (goesOn && !said) // the lock is this copy's now
            QVERIFY(QLockFile(CZOLTApp::LockPath()).getLockInfo(nullptr, nullptr, nullptr));
        qunsetenv("ZOLT_LOCK_DIR");
    }

    // A working directory that cannot be made or written is named in one box and nothing is
    // written anywhere; a usable one becomes the current folder.
    void enterWorkDir_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("entered"); // "" when refused
        QTest::newRow("per-user folder made") << ""
                                              << "data"
                                              << "data/zolt";
        QTest::newRow("read-only option folder") << "/proc"
                                                 << "data"
                                                 << "";
        QTest::newRow("home under a file") << ""
                                           << "plain/data"
                                           << "";
    }
    void enterWorkDir()
    {
        QFETCH(QString, option);
        QFETCH(QString, dataHome);
        QFETCH(QString, entered);
        QTemporaryDir tmp;
        QDir(tmp.path()).mkpath("cwd");
        QFile(tmp.filePath("plain")).open(QIODevice::WriteOnly);
        const QString here = QDir::currentPath();
        QDir::setCurrent(tmp.filePath("cwd"));
        const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(tmp.filePath(dataHome)));
        QStringList boxes;
        SetMessageBoxHook([&](const std::string&, const std::string& text, int style) {
            boxes << QString::fromStdString(text);
            return style == kStyleError ? 1 : 6;
        });
        const QString folder = option.isEmpty()
                                   ? tmp.filePath(dataHome + "/zolt")
                                   : (option.startsWith('/') ? option : tmp.filePath(option));
        const bool result = CZOLTApp::EnterWorkDir(
            option.isEmpty() || option.startsWith('/') ? option : tmp.filePath(option));
        const QString current = QDir::currentPath();
        QDir::setCurrent(here);
        SetMessageBoxHook(nullptr);
        qputenv("XDG_DATA_HOME", savedDataHome);
        initTestCase();
        QCOMPARE(result, !entered.isEmpty());
        if (result) {
            QCOMPARE(current, QDir(tmp.filePath(entered)).canonicalPath());
            QCOMPARE(boxes, QStringList());
            return;
        }
        QCOMPARE(current, QDir(tmp.filePath("cwd")).canonicalPath());
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].contains(folder), qPrintable(boxes[0]));
        QVERIFY2(!boxes[0].contains(kTextNotFound), qPrintable(boxes[0]));
        QVERIFY(QDir(tmp.filePath("cwd")).isEmpty());
        QVERIFY(!QFileInfo::exists(tmp.filePath("data")));
    }

    // The message is in the user's language when the texts can be read, else in English and
    // Italian; it always names the folder and the reason.
    void workDirFailureText_data()
    {
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QString>("words");
        QTest::newRow("German texts") << ZOLT_SOURCE_DIR "/data/SWBASE.TXT"
                                      << "Arbeitsordner";
        QTest::newRow("no texts") << "/nonexistent/SWBASE.TXT"
                                  << "working folder|cartella di lavoro";
    }
    void workDirFailureText()
    {
        QFETCH(QString, texts);
        QFETCH(QString, words);
        AppConfig.language = 3;
        AppConfig.textsPath = texts.toStdString();
        const QString text = CZOLTApp::WorkDirFailureText("/srv/zolt work", "Permission denied");
        AppConfig.language = 0;
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
        QVERIFY2(text.contains("/srv/zolt work") && text.contains("Permission denied"),
                 qPrintable(text));
        for (const QString& word : words.split('|'))
            QVERIFY2(text.contains(word), qPrintable(text));
    }

    // Installed pictures and help that are missing or damaged are named; the working
    // directory's own files are the workshop's business and are not judged.
    void dataFilesNotice_data()
    {
        QTest::addColumn<QStringList>("broken"); // installed files damaged ("x") or removed ("-")
        QTest::addColumn<QStringList>("own");    // junk files of the working directory
        QTest::addColumn<QStringList>("named");
        QTest::newRow("all sound") << QStringList() << QStringList() << QStringList();
        QTest::newRow("damaged logo")
            << QStringList{"xLOGO.BMP"} << QStringList() << QStringList{"LOGO.BMP"};
        QTest::newRow("missing help and splash")
            << QStringList{"-TVELANTO_ITA.CHM", "-LOGOINIT.BMP"} << QStringList()
            << QStringList{"LOGOINIT.BMP", "TVELANTO_ITA.CHM"};
        QTest::newRow("help that is no help file")
            << QStringList{"xTVELANTO_ITA.CHM"} << QStringList() << QStringList{"TVELANTO_ITA.CHM"};
        QTest::newRow("the workshop's own logo")
            << QStringList{"xLOGO.BMP"} << QStringList{"LOGO.BMP"} << QStringList();
    }
    void dataFilesNotice()
    {
        QFETCH(QStringList, broken);
        QFETCH(QStringList, own);
        QFETCH(QStringList, named);
        QTemporaryDir tmp;
        const QString installed = tmp.filePath("installed");
        QDir().mkpath(installed);
        QDir().mkpath(tmp.filePath("work"));
        for (const char* picture : {"LOGO.BMP", "LOGOINIT.BMP", "LogoPrn.Bmp"})
            QFile::copy(QString(ZOLT_SOURCE_DIR "/data/") + picture, installed + "/" + picture);
        QFile help(installed + "/TVELANTO_ITA.CHM");
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.write("ITSF\x03\0\0\0");
        help.close();
        for (const QString& entry : broken) {
            const QString path = installed + "/" + entry.mid(1);
            QFile::remove(path);
            if (entry.startsWith('x')) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write("BM junk");
            }
        }
        for (const QString& name : own) {
            QFile file(tmp.filePath("work/" + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        qputenv("ZOLT_SHARE_DIR", QFile::encodeName(installed));
        AppConfig.workDir = tmp.filePath("work").toStdString();
        AppConfig.language = 0;
        const QString notice = CZOLTApp::DataFilesNotice();
        qunsetenv("ZOLT_SHARE_DIR");
        AppConfig.workDir = dir_.path().toStdString();
        QCOMPARE(notice.isEmpty(), named.isEmpty());
        for (const char* name : {"LOGO.BMP", "LOGOINIT.BMP", "LogoPrn.Bmp", "TVELANTO_ITA.CHM"})
            QCOMPARE(notice.contains(installed + "/" + name), named.contains(name));
    }

    // A junk text file in the working directory gives way to the installed one, and is named.
    void folderTextsNotice()
    {
        QTemporaryDir tmp;
        QFile junk(tmp.filePath("SWBASE.TXT"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("\x7f"
                   "ELF junk");
        junk.close();
        QFile::copy(ZOLT_SOURCE_DIR "/data/SWBASE.TXT", tmp.filePath("installed.TXT"));
        QDir(tmp.path()).mkpath("share");
        QFile::rename(tmp.filePath("installed.TXT"), tmp.filePath("share/SWBASE.TXT"));
        qputenv("ZOLT_SHARE_DIR", QFile::encodeName(tmp.filePath("share")));
        LoadConfiguration(tmp.path().toStdString());
        const QString notice = CZOLTApp::FolderTextsNotice();
        const std::string texts = AppConfig.textsPath;
        qunsetenv("ZOLT_SHARE_DIR");
        initTestCase();
        QCOMPARE(QString::fromStdString(texts), tmp.filePath("share/SWBASE.TXT"));
        QVERIFY2(notice.contains(tmp.filePath("SWBASE.TXT")) && notice.contains("testi"),
                 qPrintable(notice));
    }

    // A second copy ends by itself and leaves the first one running.
    void secondCopyEnds()
    {
        const QString program = ZOLT_BINARY_DIR "/bin/ZOLT";
        if (!QFile::exists(program))
            QSKIP("the program is not built in this configuration");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZOLT_LOCK_DIR", dir_.path());
        env.insert("XDG_DATA_HOME", dir_.filePath("data"));
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
