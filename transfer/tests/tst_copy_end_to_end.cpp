// End-to-end tests of the copy: the engine, the link library and the tester simulator on a
// pseudo-terminal, with a clean line and with lost and damaged frames.
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "link/link_session.h"
#include "link/request_link.h"
#include "transfer/codec.h"
#include "transfer/copy_engine.h"

#ifndef ZOLT_NO_TESTER_SIM
#include "tools/tester_sim/tester_sim_process.h"
#endif

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <random>

using Bytes = std::vector<std::uint8_t>;

class TestCopyEndToEnd : public QObject
{
    Q_OBJECT

    // Ample for the simulator on a pseudo-terminal, even in a sanitizer build on a busy machine.
    static constexpr int kLossyAttemptMs = 400;

#ifndef ZOLT_NO_TESTER_SIM
    struct Line
    {
        QTemporaryDir work;
        QString previousDir = QDir::currentPath();
        TesterSimProcess sim;
        LinkSession session{AppConfig};
        SessionRequestLink requests{session};
        QObject view;
        std::vector<std::string> messages;
        QString fs;

        explicit Line(const QStringList& options, bool openLink = true)
        {
            fs = work.filePath("FN0");
            QDir().mkpath(fs);
            const QString link = work.filePath("tester.pty");
            QFile ini(work.filePath("VELANTO.INI"));
            ini.open(QIODevice::WriteOnly);
            // English, for zoltctl too, which reads the language from here.
            ini.write("[CONFIGURAZIONE]\nlingua=ING\n[PORTE_COM]\nCOM1=" + link.toUtf8() + "\n");
            ini.close();
            QDir::setCurrent(work.path());
            AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
            AppConfig.language = 1;
            AppConfig.comPort = 1;
            AppConfig.profilePath = work.filePath("VELANTO.INI").toStdString();
            Record(&session);
            if (sim.Start(fs, link, options) && openLink)
                session.OpenLink(&view, PortTarget::Com(1));
        }
        ~Line()
        {
            session.CloseLink();
            sim.Stop();
            QDir::setCurrent(previousDir);
        }
        bool Up() const { return session.PortOpen(); }
        // Records the texts of the failures `emitter` reports.
        template <typename Emitter> void Record(Emitter* emitter)
        {
            QObject::connect(emitter, &Emitter::Failed, [this](const ErrorReport& report) {
                messages.push_back(ReportText(report, AppConfig));
            });
        }

        std::string MakeFile(const std::string& name, int size, unsigned seed)
        {
            std::mt19937 random(seed);
            QByteArray content(size, '\0');
            for (int i = 0; i < size; ++i)
                content[i] = char(random());
            const QString path = work.filePath(QString::fromStdString(name));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(content);
            return path.toStdString();
        }
        // The tester's file, or nothing when it does not hold one by that name.
        std::optional<Bytes> OnTester(const std::string& name) const
        {
            QFile file(fs + "/" + QString::fromStdString(name));
            if (!file.open(QIODevice::ReadOnly))
                return std::nullopt;
            const QByteArray all = file.readAll();
            return Bytes(all.begin(), all.end());
        }
    };

    static Bytes Read(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::ReadOnly);
        const QByteArray all = file.readAll();
        return Bytes(all.begin(), all.end());
    }

    static int Run(CopyEngine& engine, int timeoutMs)
    {
        engine.SetCodecDiagnostics([](const std::string&){});
        if (!engine.Start())
            return engine.Result();
        QEventLoop loop;
        connect(&engine, &CopyEngine::Finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        if (engine.CurrentState() != CopyEngine::State::Done)
            loop.exec();
        return engine.CurrentState() == CopyEngine::State::Done ? engine.Result() : -1;
    }
#endif

private slots:
    void twentyFilesArriveByteIdentical()
    {
#ifdef ZOLT_NO_TESTER_SIM
        QSKIP("built without the tester simulator");
#else
        Line line({});
        QVERIFY2(line.Up(), line.sim.ErrorOutput().constData());
        const int sizes[20] = {0,    1,     109,   110,   111,   219,   220,   221,   1000,  4095,
                               4096, 12345, 20000, 32768, 50000, 65535, 77777, 98000, 98303, 98304};
        CopyEngine engine(line.requests, AppConfig);
        line.Record(&engine);
        for (int i = 0; i < 20; ++i) {
            const std::string name = "SW" + std::to_string(i) + ".BIN_" + std::to_string(sizes[i]);
            QVERIFY(engine.AddFile(line.MakeFile(name, sizes[i], unsigned(i)), "/FN0/" + name,
                                   false, false));
        }
        QCOMPARE(Run(engine, 120000), 1);
        QVERIFY(line.messages.empty());
        for (const CopyEngine::Entry& entry : engine.Entries()) {
            const std::string name = entry.testerPath.substr(5);
            const std::optional<Bytes> held = line.OnTester(name);
            QVERIFY2(held.has_value(), name.c_str());
            QVERIFY2(*held == Read(entry.pcPath), name.c_str());
        }
#endif
    }

    void lossyLine_data()
    {
        QTest::addColumn<QString>("seed");
        QTest::newRow("seed 7") << "7";
        QTest::newRow("seed 2024") << "2024";
        QTest::newRow("seed 31337") << "31337";
    }

    // Lost and damaged frames are repeated by the link until every file has arrived whole.
    void lossyLine()
    {
#ifdef ZOLT_NO_TESTER_SIM
        QSKIP("built without the tester simulator");
#else
        QFETCH(QString, seed);
        Line line({"--drop", "0.05", "--corrupt", "0.01", "--seed", seed});
        QVERIFY2(line.Up(), line.sim.ErrorOutput().constData());
        // The simulator answers at once: a lost frame need not cost the tester's full time-out.
        line.session.Window()->SetAttemptTimeoutLimit(kLossyAttemptMs);
        const int sizes[] = {0, 1, 110, 221, 700, 1500};
        CopyEngine engine(line.requests, AppConfig);
        line.Record(&engine);
        for (int i = 0; i < 6; ++i) {
            const std::string name = "L" + std::to_string(i) + ".BIN_" + std::to_string(sizes[i]);
            engine.AddFile(line.MakeFile(name, sizes[i], unsigned(100 + i)), "/FN0/" + name, false,
                           false);
        }
        const int result = Run(engine, 120000);
        const QByteArray log = line.sim.ErrorOutput();
        qInfo("%lld frames lost, %lld damaged", qint64(log.count("lost (simulated)")),
              qint64(log.count("damaged (simulated)")));
        QCOMPARE(result, 1);
        QCOMPARE(line.messages, std::vector<std::string>{});
        for (const CopyEngine::Entry& entry : engine.Entries()) {
            const std::optional<Bytes> held = line.OnTester(entry.testerPath.substr(5));
            QVERIFY2(held.has_value(), entry.testerPath.c_str());
            QVERIFY2(*held == Read(entry.pcPath), entry.testerPath.c_str());
        }
#endif
    }

    void compressedFileArrivesAsItsZip()
    {
#ifdef ZOLT_NO_TESTER_SIM
        QSKIP("built without the tester simulator");
#else
        Line line({});
        QVERIFY2(line.Up(), line.sim.ErrorOutput().constData());
        // Compressible text lines with carriage returns that must survive, varied enough that
        // the compressed copy holds carriage returns of its own.
        QByteArray text;
        std::mt19937 random(5);
        for (int i = 0; i < 800; ++i)
            text += "riga " + QByteArray::number(i) + " valore " +
                    QByteArray::number(quint32(random()) % 100000) + " della centralina\r\n";
        const QString pc = line.work.filePath("NOTE.TXT_" + QString::number(text.size()));
        QFile file(pc);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        file.close();
        CopyEngine engine(line.requests, AppConfig);
        line.Record(&engine);
        engine.AddFile(pc.toStdString(), "/FN0/NOTE.ZIP", true, true);
        QCOMPARE(Run(engine, 60000), 1);
        const Bytes zip = Read(pc.toStdString() + ".ZIP");
        QVERIFY(std::count(zip.begin(), zip.end(), std::uint8_t(0x0D)) > 0);
        const std::optional<Bytes> held = line.OnTester("NOTE.ZIP");
        QVERIFY(held.has_value());
        QCOMPARE(*held, zip);
        QVERIFY(held->size() < std::size_t(text.size()));
        Bytes expanded;
        QVERIFY(decompressBuffer(*held, expanded, [](const std::string&) {}).ok());
        QCOMPARE(expanded, Bytes(text.begin(), text.end()));
#endif
    }

    void zoltctl_data()
    {
        QTest::addColumn<QStringList>("arguments"); // FILE stands for a 500-byte file
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");   // expected in standard output
        QTest::addColumn<QString>("errors");   // expected in standard error
        QTest::addColumn<QString>("onTester"); // a file the tester then holds, or ""
        QTest::newRow("copy through the port of VELANTO.INI")
            << QStringList{"copy", "FILE", "/FN0/Z.BIN_500"} << 0 << "Files sent: 1 of 1"
            << ""
            << "Z.BIN_500";
        QTest::newRow("copy through --device")
            << QStringList{"--device", "tester.pty", "copy", "FILE", "/FN0/D.BIN_500"} << 0
            << "sent FILE -> /FN0/D.BIN_500"
            << ""
            << "D.BIN_500";
        QTest::newRow("missing file: its message, exit 1")
            << QStringList{"--port", "1", "copy", "NONE.BIN", "/FN0/N.BIN"} << 1
            << "Files sent: 0 of 1"
            << "NONE.BIN"
            << "";
        QTest::newRow("refused tester path: exit 1")
            << QStringList{"copy", "FILE", "/ELSEWHERE/X"} << 1 << "Files sent: 0 of 1"
            << "zoltctl: "
            << "";
        QTest::newRow("dir lists the tester's files")
            << QStringList{"dir"} << 0 << "01.00  OLD.BIN_3"
            << ""
            << "";
        QTest::newRow("odd operands: exit 2") << QStringList{"copy", "FILE"} << 2 << ""
                                              << "pairs"
                                              << "";
        QTest::newRow("port out of range: exit 2") << QStringList{"--port", "7", "dir"} << 2 << ""
                                                   << "1 to 6"
                                                   << "";
    }

    // The command-line companion runs the same engine; its exit code tells a script the outcome.
    void zoltctl()
    {
#ifdef ZOLT_NO_TESTER_SIM
        QSKIP("built without the tester simulator");
#else
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        QFETCH(QString, onTester);
        const QString program = QCoreApplication::applicationDirPath() + "/../bin/zoltctl";
        if (!QFileInfo(program).isExecutable())
            QSKIP("zoltctl is not built");
        Line line({}, false);
        QVERIFY(line.sim.Running());
        QFile old(line.fs + "/OLD.BIN_3");
        old.open(QIODevice::WriteOnly);
        old.write("abc");
        old.close();
        const std::string file = line.MakeFile("FILE", 500, 9);
        for (QString& argument : arguments)
            if (argument == "FILE")
                argument = QString::fromStdString(file);
        output.replace("FILE", QString::fromStdString(file));
        QProcess process;
        process.setWorkingDirectory(line.work.path());
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(out.contains(output), qPrintable(out));
        QVERIFY2(err.contains(errors), qPrintable(err));
        QCOMPARE(process.exitCode(), exitCode);
        if (!onTester.isEmpty())
            QCOMPARE(line.OnTester(onTester.toStdString()), std::optional<Bytes>(Read(file)));
#endif
    }
};

QTEST_GUILESS_MAIN(TestCopyEndToEnd)
#include "tst_copy_end_to_end.moc"
