// Tests of the tester software engine with scripted tester answers.
#include "core/app_config.h"
#include "software/tests/tester_script.h"
#include "software/tester_software_engine.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>


namespace {

using Engine = TesterSoftwareEngine;

// Records what the engine reports.
struct Watch
{
    std::vector<Engine::Message> failures;
    std::vector<std::string> questions;
    std::vector<std::vector<Engine::CopyItem>> copies;
    std::vector<std::string> deleted;
    int settled = 0;

    explicit Watch(Engine& engine)
    {
        QObject::connect(&engine, &Engine::Failure,
                         [this](const Engine::Message& m) { failures.push_back(m); });
        QObject::connect(&engine, &Engine::ConflictQuestion,
                         [this](const std::string& q) { questions.push_back(q); });
        QObject::connect(&engine, &Engine::CopyRequested,
                         [this](const std::vector<Engine::CopyItem>& q) { copies.push_back(q); });
        QObject::connect(&engine, &Engine::FileDeleted,
                         [this](const std::string& n) { deleted.push_back(n); });
        QObject::connect(&engine, &Engine::Settled, [this] { ++settled; });
    }
    int LastFailure() const { return failures.empty() ? -1 : failures.back().number; }
};

EcuEntry Ecu(const std::string& name, const std::string& file)
{
    return {name, file};
}

std::vector<std::string> Names(int count, const std::string& prefix = "F")
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(i) + ".BIN_10");
    return names;
}

} // namespace

class TestTesterSoftwareEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

    std::string Work() const { return dir_.path().toStdString(); }

    // A software file of `size` bytes whose byte i is i % 251, named NAME.
    void MakeSoftware(const QString& name, qint64 size)
    {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray data(size, '\0');
        for (qint64 i = 0; i < size; ++i)
            data[i] = char(i % 251);
        f.write(data);
    }

    QByteArray Read(const QString& name)
    {
        QFile f(dir_.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        AppConfig.language = 1;
    }

    void emptyTester()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        QSignalSpy finished(&engine, &Engine::ListingFinished);
        engine.StartListing();
        QCOMPARE(engine.EntryCountText(), std::string("--"));
        QCOMPARE(link.Last().type, Engine::kSync);
        QCOMPARE(link.cancels, 1); // a pending exchange is given up first
        AnswerStatus(engine, 7, 1);
        QVERIFY(!engine.ControlsEnabled());
        QCOMPARE(link.Last().type, Engine::kOpenDirectory);
        QCOMPARE(link.Last().Text(), std::string("/FN0"));
        AnswerStatus(engine, 18, 1);
        QCOMPARE(link.Last().type, Engine::kReadEntry);
        QCOMPARE(link.Last().payload, (std::vector<std::uint8_t>{0, 0, 0, 0}));
        AnswerStatus(engine, 19, 4);
        QCOMPARE(engine.EntryCountText(), std::string("0"));
        QVERIFY(engine.Table().Rows().empty());
        QVERIFY(engine.ControlsEnabled());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(engine.CurrentActivity(), Engine::Activity::Idle);
    }

    // At entry 30 the listing ends with a sync and asks for no further entry.
    void thirtyEntriesEndWithSync()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        AnswerStatus(engine, 18, 1);
        const std::vector<std::string> names = Names(30);
        for (std::uint32_t i = 0; i < 30; ++i)
            Answer(engine, EntryFrame(i, names[i]));
        QCOMPARE(link.Last().payload, (std::vector<std::uint8_t>{0, 0, 0, 30}));
        Answer(engine, EntryFrame(30, "EXTRA.BIN_1"));
        QCOMPARE(link.Last().type, Engine::kSync);
        const std::size_t requests = link.sent.size();
        QCOMPARE(engine.EntryCountText(), std::string("--"));
        AnswerStatus(engine, 7, 1);
        QCOMPARE(link.sent.size(), requests);
        QCOMPARE(engine.EntryCountText(), std::string("30"));
        QCOMPARE(int(engine.Table().Rows().size()), 30);
        QVERIFY(engine.ControlsEnabled());
    }

    // A name from the tester is passed on byte for byte: a zero byte does not end it.
    void entryNameKeptWhole()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        std::vector<std::string> listed;
        connect(&engine, &Engine::EntryListed,
                [&](int, int, const std::string&, const std::string&, const std::string& n) {
                    listed.push_back(n);
                });
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        AnswerStatus(engine, 18, 1);
        const std::string name("A\0\x1b[2J.BIN_1", 12);
        Answer(engine, EntryFrame(0, name));
        QCOMPARE(listed, std::vector<std::string>{name});
        QCOMPARE(engine.Table().Files().front().name, name);
    }

    void kindOneCountsButIsNotRecorded()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        AnswerStatus(engine, 18, 1);
        Answer(engine, EntryFrame(0, "SUB", 1));
        Answer(engine, EntryFrame(1, "A.B_1"));
        Answer(engine, EntryFrame(2, "OTHER&&1-2.B_9", 1));
        AnswerStatus(engine, 19, 4);
        QCOMPARE(engine.EntryCountText(), std::string("3"));
        QCOMPARE(int(engine.Table().Files().size()), 1);
        QCOMPARE(int(engine.Table().Rows().size()), 1);
        QCOMPARE(engine.Table().Files()[0].name, std::string("A.B_1"));
    }

    void incompleteSoftwareIsPurgedAndListedAgain()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"ABS&&1-3.BIN_98304", "OK.B_1", "ABS&&3-3.BIN_3392"});
        QVERIFY(!engine.ControlsEnabled());
        QCOMPARE(link.Last().type, Engine::kDelete);
        QCOMPARE(link.Last().Text(), std::string("/FN0/ABS&&1-3.BIN_98304"));
        AnswerStatus(engine, 15, 1);
        QCOMPARE(link.Last().Text(), std::string("/FN0/ABS&&3-3.BIN_3392"));
        AnswerStatus(engine, 15, 1);
        QCOMPARE(link.Last().type, Engine::kSync);
        QCOMPARE(watch.settled, 0);
        AnswerListing(engine, {"OK.B_1"});
        QCOMPARE(watch.settled, 1);
        QCOMPARE(watch.deleted.size(), std::size_t(2));
        QVERIFY(engine.ControlsEnabled());
    }

    // A tester that says it deleted a file but still lists it must not keep the dialog busy.
    void purgeRunsOncePerListing()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"A&&1-2.B_98304"});
        AnswerStatus(engine, 15, 1);
        AnswerListing(engine, {"A&&1-2.B_98304"});
        QCOMPARE(watch.settled, 1);
        QCOMPARE(link.Last().type, Engine::kReadEntry);
        // The next listing purges again.
        engine.StartListing();
        AnswerListing(engine, {"A&&1-2.B_98304"});
        QCOMPARE(link.Last().type, Engine::kDelete);
    }

    void listingWithoutPurge()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        engine.SetPurgeAfterListing(false);
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"A&&1-2.B_98304"});
        QCOMPARE(watch.settled, 1);
        QCOMPARE(engine.Table().IncompleteFiles(), std::vector<int>{0});
    }

    void listingFailures_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload"); // bytes from offset 7
        QTest::addColumn<int>("message");
        QTest::newRow("open refused") << 18 << QByteArray("\x02") << 32;
        QTest::newRow("open with another status") << 18 << QByteArray("\x07") << 14;
        QTest::newRow("open answer without status") << 18 << QByteArray() << 14;
        QTest::newRow("entry refused") << 19 << QByteArray("\x02") << 32;
        QTest::newRow("entry error") << 19 << QByteArray("\x03") << 32;
        QTest::newRow("entry with another status") << 19 << QByteArray("\x05") << 14;
        // Shorter than its fixed fields: the design would read a name of negative length.
        QTest::newRow("entry too short")
            << 19 << QByteArray("\x01\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 15) << 14;
    }
    void listingFailures()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(int, message);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        if (code == 19)
            AnswerStatus(engine, 18, 1);
        const std::size_t requests = link.sent.size();
        Answer(engine, AnswerFrame(code, std::vector<std::uint8_t>(payload.begin(), payload.end())));
        QCOMPARE(watch.LastFailure(), message);
        QVERIFY(watch.failures.back().closes);
        QCOMPARE(engine.CurrentActivity(), Engine::Activity::Stopped);
        QCOMPARE(link.sent.size(), requests);
        // A late answer to a stopped engine is ignored.
        AnswerStatus(engine, 19, 4);
        QCOMPARE(watch.failures.size(), std::size_t(1));
    }

    void indexMismatchClosesWithSystemBox()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        AnswerStatus(engine, 18, 1);
        Answer(engine, EntryFrame(0, "A.B_1"));
        Answer(engine, EntryFrame(2, "C.B_1"));
        QCOMPARE(watch.failures.size(), std::size_t(1));
        QCOMPARE(watch.failures[0].kind, Engine::Message::Kind::System);
        QCOMPARE(watch.failures[0].detail, std::string(Engine::kIndexMismatchText));
        QVERIFY(watch.failures[0].closes);
    }

    void timeoutLeavesControlsAsTheyAre()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        QVERIFY(!engine.ControlsEnabled());
        engine.OnAnswer(Engine::kTimeout, nullptr, 0);
        QCOMPARE(watch.LastFailure(), 12);
        QVERIFY(!watch.failures.back().closes);
        QVERIFY(!engine.ControlsEnabled());
        QCOMPARE(engine.EntryCountText(), std::string("--"));
    }

    void sendFailureCloses()
    {
        ScriptedLink link;
        link.refuse = true;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        QCOMPARE(watch.LastFailure(), 15);
        QVERIFY(watch.failures.back().closes);
        // A request the library refuses when its turn comes in the link's queue.
        ScriptedLink queued;
        Engine later(queued, Work());
        Watch laterWatch(later);
        later.StartListing();
        later.OnAnswer(Engine::kSendFailed, nullptr, 0);
        QCOMPARE(laterWatch.LastFailure(), 15);
        QVERIFY(laterWatch.failures.back().closes);
    }

    void deleteRows()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"A.B_1", "S&&1-2.B_98304", "S&&2-2.B_5", "C.B_1"});
        QCOMPARE(int(engine.Table().Rows().size()), 3);
        QVERIFY(engine.DeleteRows({2, 1}));
        QVERIFY(!engine.ControlsEnabled());
        QVERIFY(!engine.DeleteRows({0})); // busy
        QCOMPARE(link.Last().Text(), std::string("/FN0/S&&1-2.B_98304"));
        AnswerStatus(engine, 15, 1);
        QCOMPARE(link.Last().Text(), std::string("/FN0/S&&2-2.B_5"));
        AnswerStatus(engine, 15, 1);
        QCOMPARE(link.Last().Text(), std::string("/FN0/C.B_1"));
        AnswerStatus(engine, 15, 1);
        QCOMPARE(link.Last().type, Engine::kSync);
    }

    void deleteRefusedCloses()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"A.B_1"});
        engine.DeleteRows({0});
        AnswerStatus(engine, 15, 2);
        QCOMPARE(watch.LastFailure(), 35);
        QVERIFY(watch.failures.back().closes);
    }

    void selection()
    {
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        for (int i = 0; i < 15; ++i)
            QCOMPARE(engine.AddToSelection(Ecu("E" + std::to_string(i), "E.B_1")),
                     Engine::AddResult::Added);
        QCOMPARE(engine.AddToSelection(Ecu("E3", "X.B_1")), Engine::AddResult::Full);
        QCOMPARE(watch.LastFailure(), 4);
        engine.RemoveFromSelection({0, 2});
        QCOMPARE(int(engine.Selection().size()), 13);
        QCOMPARE(engine.Selection()[0].ecu.name, std::string("E1"));
        QCOMPARE(engine.Selection()[1].ecu.name, std::string("E3"));
        QCOMPARE(engine.AddToSelection(Ecu("E3", "OTHER.B_1")), Engine::AddResult::Duplicate);
        QCOMPARE(int(engine.Selection().size()), 13);
    }

    void room_data()
    {
        QTest::addColumn<int>("onTester");
        QTest::addColumn<qlonglong>("size");
        QTest::addColumn<int>("message"); // -1: accepted
        QTest::addColumn<QString>("detail");
        // 10 parts cannot be made of one file (at most 9), so two files share the blocks.
        QTest::newRow("20 + 10 fits") << 20 << 5 * 98304LL << -1 << "";
        QTest::newRow("20 + 11 does not") << 20 << 5 * 98304LL + 1 << 57 << " 10 / 11";
        QTest::newRow("full tester") << 30 << 1LL << 56 << "";
    }
    void room()
    {
        QFETCH(int, onTester);
        QFETCH(qlonglong, size);
        QFETCH(int, message);
        QFETCH(QString, detail);
        MakeSoftware("R1.BIN_491520", 491520);
        MakeSoftware(QString("R2.BIN_%1").arg(size), size);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, Names(onTester));
        engine.AddToSelection(Ecu("first", "R1.BIN_491520"));
        if (onTester < 30)
            engine.AddToSelection(Ecu("second", QString("R2.BIN_%1").arg(size).toStdString()));
        engine.Download();
        QCOMPARE(watch.LastFailure(), message);
        if (message > 0) {
            QCOMPARE(QString::fromStdString(watch.failures.back().detail), detail);
            QVERIFY(!watch.failures.back().closes);
            QVERIFY(watch.copies.empty());
            QVERIFY(engine.ControlsEnabled());
        } else {
            QCOMPARE(watch.copies.size(), std::size_t(1));
            QCOMPARE(watch.copies[0].size(), std::size_t(10));
        }
    }

    // 98,304 bytes go as one part of one, holding all the bytes.
    void exactlyOnePart()
    {
        MakeSoftware("ONE.BIN_98304", 98304);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {});
        engine.AddToSelection(Ecu("one", "ONE.BIN_98304"));
        QVERIFY(engine.Download());
        QCOMPARE(watch.copies.size(), std::size_t(1));
        QCOMPARE(watch.copies[0].size(), std::size_t(1));
        QCOMPARE(watch.copies[0][0].testerPath, std::string("/FN0/ONE&&1-1.BIN_98304"));
        QCOMPARE(watch.copies[0][0].pcPath, Work() + "/ONE&&1-1.BIN_98304");
        QCOMPARE(Read("ONE&&1-1.BIN_98304"), Read("ONE.BIN_98304"));
        engine.CopyFinished();
        QCOMPARE(link.Last().type, Engine::kSync);
        AnswerListing(engine, {"ONE&&1-1.BIN_98304"});
        QCOMPARE(int(engine.Table().Rows().size()), 1);
        QVERIFY(engine.Table().Groups()[0].complete);
    }

    void splitIntoParts()
    {
        MakeSoftware("ABS.BIN_200000", 200000);
        MakeSoftware("SMALL.BIN_98303", 98303);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {});
        engine.AddToSelection(Ecu("abs", "ABS.BIN_200000"));
        engine.AddToSelection(Ecu("small", "SMALL.BIN_98303"));
        QVERIFY(engine.Download());
        QCOMPARE(watch.copies.size(), std::size_t(1));
        const std::vector<Engine::CopyItem>& q = watch.copies[0];
        QCOMPARE(q.size(), std::size_t(4));
        QCOMPARE(q[0].testerPath, std::string("/FN0/ABS&&1-3.BIN_98304"));
        QCOMPARE(q[2].testerPath, std::string("/FN0/ABS&&3-3.BIN_3392"));
        QCOMPARE(q[3].testerPath, std::string("/FN0/SMALL.BIN_98303"));
        QCOMPARE(q[3].pcPath, Work() + "/SMALL.BIN_98303");
        const QByteArray whole = Read("ABS.BIN_200000");
        QCOMPARE(Read("ABS&&1-3.BIN_98304") + Read("ABS&&2-3.BIN_98304") +
                     Read("ABS&&3-3.BIN_3392"),
                 whole);
        QCOMPARE(engine.CurrentActivity(), Engine::Activity::Copying);
    }

    // The design read the file into a fixed buffer whatever its real size: refuse instead.
    void softwareFileProblems_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qlonglong>("realSize"); // -1: no file
        QTest::addColumn<int>("message");
        QTest::newRow("missing file") << "GONE.BIN_100" << -1LL << 58;
        QTest::newRow("larger than its name") << "BIG.BIN_200000" << 600000LL << 65;
        QTest::newRow("shorter than its name") << "SHORT.BIN_200000" << 150000LL << 65;
        QTest::newRow("whole file of another size") << "W.BIN_100" << 99LL << 65;
        QTest::newRow("ten parts") << "TEN.BIN_884737" << 884737LL << 66;
        QTest::newRow("path in the name") << "../ECU.INI_10" << -1LL << 58;
    }
    void softwareFileProblems()
    {
        QFETCH(QString, name);
        QFETCH(qlonglong, realSize);
        QFETCH(int, message);
        if (realSize >= 0)
            MakeSoftware(name, realSize);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {name.toStdString()});
        const std::size_t requests = link.sent.size();
        engine.AddToSelection(Ecu("ecu", name.toStdString()));
        QVERIFY(!engine.Download());
        QCOMPARE(watch.LastFailure(), message);
        QVERIFY(!watch.failures.back().closes);
        QVERIFY(watch.questions.empty());
        QVERIFY(watch.copies.empty());
        QCOMPARE(link.sent.size(), requests); // nothing deleted, nothing sent
        QVERIFY(engine.ControlsEnabled());
    }

    void partFileCannotBeWritten()
    {
        MakeSoftware("RO.BIN_100000", 100000);
        QVERIFY(QDir(dir_.path()).mkdir("RO&&1-2.BIN_98304")); // a folder in the part's place
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {});
        engine.AddToSelection(Ecu("ro", "RO.BIN_100000"));
        engine.Download();
        QCOMPARE(watch.LastFailure(), 59);
        QVERIFY(watch.copies.empty());
        QCOMPARE(engine.CurrentActivity(), Engine::Activity::Idle);
    }

    // Two slots of the same software are asked about separately; No skips only its own.
    void conflictQuestionPerSlot()
    {
        MakeSoftware("CF.BIN_100", 100);
        MakeSoftware("CF.HEX_100", 100);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"CF&&1-2.BIN_98304", "CF&&2-2.BIN_7", "KEEP.B_1"});
        engine.AddToSelection(Ecu("first", "CF.BIN_100"));
        engine.AddToSelection(Ecu("second", "CF.HEX_100"));
        QVERIFY(engine.Download());
        QCOMPARE(watch.questions.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(watch.questions[0]).contains("CF"));
        QVERIFY(QString::fromStdString(watch.questions[0]).contains("2, new file: 1"));
        engine.AnswerConflict(false);
        QCOMPARE(watch.questions.size(), std::size_t(2));
        engine.AnswerConflict(true);
        // Yes deletes the tester's parts first, each once.
        QCOMPARE(link.Last().Text(), std::string("/FN0/CF&&1-2.BIN_98304"));
        AnswerStatus(engine, 15, 1);
        QCOMPARE(link.Last().Text(), std::string("/FN0/CF&&2-2.BIN_7"));
        QVERIFY(watch.copies.empty());
        AnswerStatus(engine, 15, 1);
        QCOMPARE(watch.copies.size(), std::size_t(1));
        QCOMPARE(watch.copies[0].size(), std::size_t(1));
        QCOMPARE(watch.copies[0][0].testerPath, std::string("/FN0/CF.HEX_100"));
    }

    // Two Yes on one software would delete its files twice, and the tester refuses the second.
    void bothYesDeleteOnce()
    {
        MakeSoftware("CF.BIN_100", 100);
        MakeSoftware("CF.HEX_100", 100);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"CF&&1-2.BIN_98304", "CF&&2-2.BIN_7"});
        engine.AddToSelection(Ecu("first", "CF.BIN_100"));
        engine.AddToSelection(Ecu("second", "CF.HEX_100"));
        engine.Download();
        engine.AnswerConflict(true);
        engine.AnswerConflict(true);
        QCOMPARE(engine.WorkList(), (std::vector<int>{0, 1}));
    }

    // Same part count: no question; files of the old software that the new one does not
    // overwrite are deleted, so that no stale part stays beside the new ones.
    void sameCountReplacesWithoutQuestion()
    {
        MakeSoftware("ABS.BIN_200000", 200000);
        ScriptedLink link;
        Engine engine(link, Work());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304", "ABS&&3-3.BIN_1000"});
        engine.AddToSelection(Ecu("abs", "ABS.BIN_200000"));
        QVERIFY(engine.Download());
        QVERIFY(watch.questions.empty());
        QCOMPARE(link.Last().Text(), std::string("/FN0/ABS&&3-3.BIN_1000"));
        AnswerStatus(engine, 15, 1);
        QCOMPARE(watch.copies.size(), std::size_t(1));
        QCOMPARE(watch.copies[0].size(), std::size_t(3));
    }

    void conflictFormatIsSafe_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("design order") << "%s: %d / %d" << "ABS: 2 / 3";
        QTest::newRow("percent sign") << "100%% %s" << "100% ABS";
        QTest::newRow("unknown directives stay") << "%n%x %s %d %d %d %s" << "%n%x ABS 2 3 %d %s";
        QTest::newRow("trailing percent") << "%s %" << "ABS %";
    }
    void conflictFormatIsSafe()
    {
        QFETCH(QString, format);
        QTEST(QString::fromStdString(Engine::FormatConflict(format.toStdString(), "ABS", 2, 3)),
              "text");
    }
};

QTEST_GUILESS_MAIN(TestTesterSoftwareEngine)
#include "tst_tester_software_engine.moc"
