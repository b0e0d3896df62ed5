// Tests of the folder zoltctl works in and of the texts it speaks with, each run as a process.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Run
{
    int status = -1;
    QString out, err;
};

void Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(data);
}

} // namespace

class TestZoltctlWorkDir : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp_;

    static QString Tool() { return QCoreApplication::applicationDirPath() + "/../bin/zoltctl"; }
    QString Path(const QString& relative) const { return tmp_->filePath(relative); }

    Run Zoltctl(const QString& cwd, const QStringList& args, const QString& dataHome = "data")
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", Path(dataHome));
        env.insert("LANG", "en_US.UTF-8");
        env.remove("LANGUAGE");
        env.remove("LC_ALL");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(cwd);
        p.start(Tool(), args);
        Run run;
        if (!p.waitForStarted(10000) || !p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            run.err = "zoltctl did not finish within 30 s";
            return run;
        }
        run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        run.out = QString::fromUtf8(p.readAllStandardOutput());
        run.err = QString::fromUtf8(p.readAllStandardError());
        return run;
    }

private slots:
    void init()
    {
        if (!QFileInfo(Tool()).isExecutable())
            QSKIP("zoltctl is not built");
        tmp_ = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp_->isValid());
        QDir().mkpath(Path("work"));
        Write(Path("work/VELANTO.INI"), "[CONFIGURAZIONE]\nlingua=ING\n");
        Write(Path("plain"), "x");
    }

    // A text file of the folder that holds no texts does not silence the tool: the installed
    // texts speak, and the file is named once.
    void unusableTextsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("junk") << "junk";
        QTest::newRow("empty") << "empty";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("another language only") << "italian";
    }
    void unusableTextsFile()
    {
        QFETCH(QString, kind);
        const QString texts = Path("work/SWBASE.TXT");
        if (kind == "junk")
            Write(texts, QByteArray("\x7f"
                                    "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0",
                                    16));
        else if (kind == "empty")
            Write(texts, "");
        else if (kind == "folder")
            QDir().mkpath(texts);
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(texts).constData(), 0600), 0);
        else
            Write(texts, "[ZOLTCTL]\ns2_ITA=Comandi:\n");

        Run run = Zoltctl(Path("work"), {"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("Commands:"), qPrintable(run.out));
        QCOMPARE(run.err.count(texts), 1);

        run = Zoltctl(Path("work"), {"--device", Path("none"), "ls"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("cannot be opened: it does not exist"), qPrintable(run.err));
        QVERIFY(!run.err.contains("()----()") && !run.err.contains("Message not present"));
        QCOMPARE(run.err.count(texts), 1);
    }

    // zoltctl takes its folder by the program's rule: --workdir (whose language it speaks), else
    // the per-user folder, made at first use; one that cannot be made stops the command and is
    // named, and nothing is written.
    void folderChoice_data()
    {
        QTest::addColumn<QString>("cwd");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("says"); // on standard error
        QTest::addColumn<QString>("made"); // a file that must exist afterwards, or ""
        QTest::newRow("option") << "plainless" << QStringList{"--workdir", "german"} << "data"
                                << "existiert nicht"
                                << "";
        QTest::newRow("per-user folder") << "plainless" << QStringList() << "data"
                                         << ""
                                         << "data/zolt/VELANTO.INI";
        QTest::newRow("per-user folder under a file")
            << "plainless" << QStringList() << "plain/data"
            << "plain/data/zolt"
            << "";
    }
    void folderChoice()
    {
        QFETCH(QString, cwd);
        QFETCH(QStringList, options);
        QFETCH(QString, dataHome);
        QFETCH(QString, says);
        QFETCH(QString, made);
        QDir().mkpath(Path("plainless"));
        QDir().mkpath(Path("german"));
        Write(Path("german/VELANTO.INI"), "[CONFIGURAZIONE]\nlingua=TED\n");
        for (QString& option : options)
            if (!option.startsWith('-'))
                option = Path(option);
        const Run run =
            Zoltctl(Path(cwd), options + QStringList{"--device", Path("none"), "ls"}, dataHome);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(says.contains('/') ? Path(says) : says), qPrintable(run.err));
        if (!made.isEmpty())
            QVERIFY2(QFileInfo::exists(Path(made)), qPrintable(run.err));
        QVERIFY(QDir(Path("plainless")).isEmpty());
        if (made.isEmpty())
            QVERIFY(!QFileInfo::exists(Path("data")));
    }
};

QTEST_GUILESS_MAIN(TestZoltctlWorkDir)
#include "tst_zoltctl_work_dir.moc"
