// End-to-end tests: zoltctl (the program's engines and link) against the tester simulator on a
// pseudo-terminal, each run as its own process.
#include "tools/tester_sim/tester_sim_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int status = -1;
    QByteArray out, err;
};

QByteArray Pattern(qint64 size, int seed)
{
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + seed) % 251);
    return data;
}

} // namespace

class TestZoltctlEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> work_;
    std::unique_ptr<TesterSimProcess> sim_;
    QString fs_;

    QString Tool() const { return QCoreApplication::applicationDirPath() + "/../bin/zoltctl"; }

    bool StartSim(const QStringList& options = {})
    {
        sim_ = std::make_unique<TesterSimProcess>();
        return sim_->Start(fs_, work_->filePath("tester"), options);
    }

    // Runs zoltctl on the simulator's device; with `devices` set, on no device given, with
    // those as the serial devices of the machine.
    Run Zoltctl(const QStringList& args, const QByteArray& input = {},
                const QStringList& devices = {})
    {
        QProcess p;
        p.setWorkingDirectory(work_->path());
        if (devices.isEmpty()) {
            p.start(Tool(), QStringList{"--device", work_->filePath("tester")} + args);
        } else {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("ZOLT_SERIAL_DEVICES", devices.join(':'));
            p.setProcessEnvironment(env);
            p.start(Tool(), args);
        }
        Run run;
        if (!p.waitForStarted(10000))
            return run;
        p.write(input);
        p.closeWriteChannel();
        // A command against the simulator takes seconds at most, sanitizers included.
        const bool ended = p.waitForFinished(30000);
        if (!ended) {
            p.kill();
            p.waitForFinished();
        }
        run.status = ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        run.out = p.readAllStandardOutput();
        run.err = p.readAllStandardError();
        if (!ended)
            run.err += "\n(the test: zoltctl did not end within 30 s and was killed)";
        return run;
    }

    void Write(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QStringList OnTester() const { return QDir(fs_).entryList(QDir::Files, QDir::Name); }

private slots:
    void init()
    {
        if (!QFileInfo(Tool()).isExecutable())
            QSKIP("zoltctl is not built");
        work_ = std::make_unique<QTemporaryDir>();
        fs_ = work_->filePath("FN0");
        QDir().mkpath(fs_);
        Write(work_->filePath("VELANTO.INI"), "[CONFIGURAZIONE]\nlingua=ING\n");
    }

    void cleanup()
    {
        if (sim_)
            sim_->Stop();
        sim_.reset();
        work_.reset();
    }

    // The design's example: 200,000 bytes go as three parts, list as one software, and rm
    // takes all three away again.
    void downloadListAndRemove()
    {
        QVERIFY(StartSim());
        const QByteArray software = Pattern(200000, 3);
        Write(work_->filePath("ABS.BIN_200000"), software);
        Run run = Zoltctl({"download", "ABS.BIN_200000"});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(OnTester(), (QStringList{"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304",
                                          "ABS&&3-3.BIN_3392"}));
        QCOMPARE(Read(fs_ + "/ABS&&1-3.BIN_98304") + Read(fs_ + "/ABS&&2-3.BIN_98304") +
                     Read(fs_ + "/ABS&&3-3.BIN_3392"),
                 software);
        QVERIFY(run.out.contains("sent "));
        QVERIFY(run.out.contains("Entries in /FN0: 3"));

        run = Zoltctl({"ls"});
        QCOMPARE(run.status, 0);
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith("ABS.BIN_200000  01.00  ") && lines[0].endsWith("  3/3"),
                 lines[0].constData());
        QCOMPARE(lines[1], QByteArray("Entries in /FN0: 3"));

        run = Zoltctl({"rm", "ABS.BIN_200000"});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(OnTester(), QStringList{});
        QCOMPARE(run.out.count("deleted "), 3);
    }

    // A software with a part removed on the tester side is deleted at the next listing with
    // purge, and only reported by ls.
    void incompleteSoftwareIsPurged()
    {
        for (int i = 1; i <= 3; ++i)
            Write(fs_ + QString("/ABS&&%1-3.BIN_98304").arg(i), "x");
        Write(fs_ + "/KEEP.BIN_1", "k");
        QFile::remove(fs_ + "/ABS&&2-3.BIN_98304");
        QVERIFY(StartSim());
        Run run = Zoltctl({"ls"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("2/3  incomplete"), run.out.constData());
        QCOMPARE(OnTester().size(), 3);
        run = Zoltctl({"purge"});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(OnTester(), QStringList{"KEEP.BIN_1"});
        run = Zoltctl({"purge"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("No incomplete software"));
    }

    // ports says which device answers; --port auto runs the command there, and refuses to
    // guess when two answer.
    void portsAndAutoPort()
    {
        QVERIFY(StartSim());
        Write(fs_ + "/ABS.BIN_5", "12345");
        const QString notSerial = work_->filePath("notes.txt");
        Write(notSerial, "not a tester");
        const QStringList devices = {work_->filePath("tester"), notSerial,
                                     work_->filePath("gone")};
        Run run = Zoltctl({"ports"}, {}, devices);
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY2(run.out.contains(work_->filePath("tester").toUtf8() + ": The tester answered"),
                 run.out.constData());
        QVERIFY2(run.out.contains("1 of 3 devices answered"), run.out.constData());

        run = Zoltctl({"--port", "auto", "ls"}, {}, devices);
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY2(run.out.contains("ABS.BIN"), run.out.constData());

        TesterSimProcess second;
        QVERIFY(second.Start(fs_, work_->filePath("tester2")));
        run = Zoltctl({"--port", "auto", "ls"}, {}, devices + QStringList{work_->filePath("tester2")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("more than one") && run.err.contains("tester2"),
                 run.err.constData());
        QVERIFY(!run.out.contains("ABS.BIN"));
    }

    void conflictQuestion_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("replace") << QStringList{"--replace"} << 0
                                 << QStringList{"ENG&&1-2.BIN_98304", "ENG&&2-2.BIN_1696"};
        QTest::newRow("keep") << QStringList{"--keep"} << 0 << QStringList{"ENG.BIN_10"};
        QTest::newRow("no terminal to ask") << QStringList{} << 1 << QStringList{"ENG.BIN_10"};
    }
    void conflictQuestion()
    {
        QFETCH(QStringList, flags);
        Write(fs_ + "/ENG.BIN_10", "0123456789");
        Write(work_->filePath("ENG.BIN_100000"), Pattern(100000, 1));
        QVERIFY(StartSim());
        const Run run = Zoltctl(QStringList{"download"} + flags + QStringList{"ENG.BIN_100000"});
        QTEST(run.status, "status");
        QTEST(OnTester(), "after");
    }

    void testerFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("listing refused") << "open=2" << QStringList{"ls"} << 1
                                         << QByteArray("refused to list");
        QTest::newRow("entry refused") << "entry=3" << QStringList{"ls"} << 1
                                       << QByteArray("refused to list");
        QTest::newRow("entry index jumps") << "jump=0" << QStringList{"ls"} << 1
                                           << QByteArray("entries out of order");
        QTest::newRow("delete refused") << "delete=2" << QStringList{"rm", "A.BIN_1"} << 1
                                        << QByteArray("zoltctl ls");
        // The listing stops at entry 30 with a sync.
        QTest::newRow("thirty entries and more") << "fill=40" << QStringList{"ls"} << 0
                                                 << QByteArray("Entries in /FN0: 30");
        QTest::newRow("full tester") << "fill=30" << QStringList{"download", "B.BIN_5"} << 1
                                     << QByteArray("maximum of 30 files");
        QTest::newRow("no such software") << "none" << QStringList{"rm", "A.BIN_1", "NOPE"} << 1
                                          << QByteArray("no software named NOPE");
        // A tester that acknowledges and does not keep: the listing afterwards tells.
        QTest::newRow("sent file not kept") << "forget" << QStringList{"download", "B.BIN_5"} << 1
                                            << QByteArray("Sent but missing:\nB.BIN_5");
        QTest::newRow("deleted file still there")
            << "delete=1" << QStringList{"rm", "A.BIN_1"} << 1
            << QByteArray("Deleted but still there:\nA.BIN_1");
    }
    void testerFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, said);
        Write(fs_ + "/A.BIN_1", "a");
        Write(work_->filePath("B.BIN_5"), "bbbbb");
        QVERIFY(StartSim({"--fault", fault}));
        const Run run = Zoltctl(args);
        QTEST(run.status, "status");
        QVERIFY2((run.out + run.err).contains(said), (run.out + run.err).constData());
        QVERIFY(QFile::exists(fs_ + "/A.BIN_1")); // nothing deleted by a failed command
    }

    void namesFromTheTesterAreEscaped()
    {
        Write(fs_ + "/EVIL\x1b[2J.BIN_1", "e");
        QVERIFY(StartSim());
        for (const char* command : {"dir", "ls"}) {
            const Run run = Zoltctl({command});
            QCOMPARE(run.status, 0);
            QVERIFY(!run.out.contains('\x1b'));
            QVERIFY2(run.out.contains("EVIL\\x1B[2J.BIN_1"), run.out.constData());
        }
    }

    // A tester listing names that would reach outside "/FN0" or name another file: they are
    // listed, escaped and marked, never deleted; a name matches whole or by its BASE only.
    void hostileTester()
    {
        for (const char* name : {"ABS.BIN_5", "ABS.BIN_5&&1-1.X_3", "X&&1-2&&2-2.BIN_5"})
            Write(fs_ + "/" + name, "x");
        const QStringList hostile{"../FN1/ABS&&1-2.BIN_5",
                                  "../../etc/passwd&&1-2.BIN_5",
                                  "/etc/x&&1-2.BIN_5",
                                  "A/B.BIN_5&&1-2.BIN_5",
                                  "..",
                                  "ABS\\x01&&1-2.BIN_5",
                                  QString(288, 'A') + "&&1-2.BIN_5ZZZZ"};
        QStringList options;
        for (const QString& name : hostile)
            options << "--fault"
                    << "name " + name;
        QVERIFY(StartSim(options));

        Run run = Zoltctl({"ls"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("\nX&&1-2&&2-2.BIN_5  01.00  "), run.out.constData());
        QVERIFY2(run.out.contains("\nABS\\x01&&1-2.BIN_5  01.00  01/01/2000  1/1  unusable name"),
                 run.out.constData());
        QCOMPARE(run.out.count("unusable name, cannot be deleted"), hostile.size());

        run = Zoltctl({"purge"});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(run.out.count("deleted "), 1); // the incomplete X&&1-2 only
        QCOMPARE(OnTester(), (QStringList{"ABS.BIN_5", "ABS.BIN_5&&1-1.X_3"}));

        run = Zoltctl({"rm", "A/B.BIN_5&&1-2.BIN_5"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("cannot be deleted:"), run.err.constData());

        run = Zoltctl({"rm", "ABS.BIN_5"});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(OnTester(), QStringList{"ABS.BIN_5&&1-1.X_3"});
    }

    // A tester that goes away ends the command at once with status 1 and the device's name,
    // whatever the command was doing; a download cut short leaves no file on the tester that
    // is not the part it stands for.
    void unpluggedTester_data()
    {
        QTest::addColumn<QString>("unplug"); // the simulator's --unplug, or "" for before
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("during a listing")
            << "2:300" << QStringList{"ls"} << QByteArray("disconnected");
        QTest::newRow("during a download")
            << "1300:300" << QStringList{"download", "ABS.BIN_200000"}
            << QByteArray("disconnected");
        QTest::newRow("during a copy")
            << "20:300" << QStringList{"copy", "ABS.BIN_200000", "/FN0/C"}
            << QByteArray("disconnected");
        QTest::newRow("before the command")
            << "" << QStringList{"ls"} << QByteArray("does not exist");
    }
    void unpluggedTester()
    {
        QFETCH(QString, unplug);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, said);
        Write(work_->filePath("ABS.BIN_200000"), Pattern(200000, 3));
        QVERIFY(StartSim(unplug.isEmpty() ? QStringList{} : QStringList{"--unplug", unplug}));
        if (unplug.isEmpty()) {
            sim_->Command("unplug 60000");
            QTRY_VERIFY(!QFileInfo::exists(work_->filePath("tester")));
        }
        QElapsedTimer clock;
        clock.start();
        const Run run = Zoltctl(args);
        QCOMPARE(run.status, 1);
        QVERIFY2(clock.elapsed() < 10000, "ended at once, not after waiting for the tester");
        const QList<QByteArray> lines = run.err.trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(said) && lines[0].contains(work_->filePath("tester").toUtf8()),
                 run.err.constData());
        for (const QString& name : OnTester())
            QVERIFY2(Read(fs_ + "/" + name) == Read(work_->filePath(name)), qPrintable(name));
    }

    // Every line the tool prints is in the configured language, its own lines included.
    void oneLanguage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArrayList>("said");
        QTest::newRow("Italian") << QByteArray("ITA")
                                 << QByteArrayList{"inviato ", "(inviati - totali): 5 - 5", "Voci in /FN0: 1"};
        QTest::newRow("Greek") << QByteArray("GRE")
                               << QByteArrayList{"στάλθηκε ", "(απεσταλμένα - συνολικά): 5 - 5",
                                                 "Εγγραφές στο /FN0: 1"};
    }
    void oneLanguage()
    {
        QFETCH(QByteArray, language);
        Write(work_->filePath("VELANTO.INI"), "[CONFIGURAZIONE]\nlingua=" + language + "\n");
        Write(work_->filePath("B.BIN_5"), "bbbbb");
        QVERIFY(StartSim());
        const Run run = Zoltctl({"download", "B.BIN_5"});
        QVERIFY2(run.status == 0, run.err.constData());
        QFETCH(QByteArrayList, said);
        for (const QByteArray& words : said)
            QVERIFY2(run.out.contains(words), run.out.constData());
        QVERIFY2(!run.out.contains("sent") && !run.out.contains("Entries"), run.out.constData());
    }

    // The device is taken exactly as given: with a blank after it, it names another path.
    void deviceAsGiven()
    {
        QVERIFY(StartSim());
        QProcess p;
        p.setWorkingDirectory(work_->path());
        p.start(Tool(), {"--device", work_->filePath("tester") + " ", "ls"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("does not exist"));
        p.start(Tool(), {"--device", work_->filePath("VELANTO.INI"), "ls"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("not a serial device"));
        // A character device that is no serial line: named as given, on clean lines.
        p.start(Tool(), {"--device", "/dev/null", "ls"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        const QByteArray said = p.readAllStandardError();
        QVERIFY2(said.contains("/dev/null") && !said.contains("zoltctl-") &&
                     !said.contains(" \n"),
                 said.constData());
        // A path longer than the 259 bytes a profile value holds is used whole.
        const QString deep = work_->filePath(QString(120, 'd') + "/" + QString(120, 'e'));
        QVERIFY(QDir().mkpath(deep));
        const QString longLink = deep + "/tester";
        QVERIFY(longLink.toUtf8().size() > 259);
        QVERIFY(QFile::link(work_->filePath("tester"), longLink));
        p.start(Tool(), {"--device", longLink, "ls"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::newRow("help") << QStringList{"--help"} << 0;
        QTest::newRow("no command") << QStringList{} << 2;
        QTest::newRow("unknown command") << QStringList{"format"} << 2;
        QTest::newRow("ls with operands") << QStringList{"ls", "X"} << 2;
        QTest::newRow("rm without names") << QStringList{"rm"} << 2;
        // An empty name would match every empty BASE and name "/FN0/" itself.
        QTest::newRow("rm empty name") << QStringList{"rm", "A.BIN_1", ""} << 2;
        QTest::newRow("rm blank name") << QStringList{"rm", " \t"} << 2;
        QTest::newRow("replace and keep") << QStringList{"download", "--replace", "--keep", "A"}
                                          << 2;
        QTest::newRow("odd copy operands") << QStringList{"copy", "A"} << 2;
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QProcess p;
        p.setWorkingDirectory(work_->path());
        p.start(Tool(), args);
        QVERIFY(p.waitForFinished(30000));
        QTEST(p.exitCode(), "status");
        if (args == QStringList{"--help"}) {
            const QByteArray help = p.readAllStandardOutput();
            QVERIFY(help.contains("Commands:"));
            QVERIFY(help.contains("download [--replace | --keep] FILE..."));
        } else {
            QVERIFY(p.readAllStandardError().contains("Try 'zoltctl --help'."));
        }
    }
};

QTEST_GUILESS_MAIN(TestZoltctlEndToEnd)
#include "tst_zoltctl_end_to_end.moc"
