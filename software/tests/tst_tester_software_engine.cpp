// Tests of the tester software engine with scripted tester answers.
#include "core/app_config.h"
#include "software/tester_software_engine.h"
#include "software/tester_software_names.h"
#include "software/tests/tester_script.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Engine = TesterSoftwareEngine;

// Records what the engine reports.
struct Watch
{
    std::vector<ErrorReport> failures;
    std::vector<std::string> questions;
    std::vector<std::vector<Engine::CopyItem>> copies;
    std::vector<std::string> deleted;
    std::vector<int> skipped;
    int settled = 0;

    explicit Watch(Engine& engine)
    {
        QObject::connect(&engine, &Engine::Failed,
                         [this](const ErrorReport& r) { failures.push_back(r); });
        QObject::connect(&engine, &Engine::ConflictQuestion,
                         [this](const std::string& q) { questions.push_back(q); });
        QObject::connect(&engine, &Engine::CopyRequested,
                         [this](const std::vector<Engine::CopyItem>& q) { copies.push_back(q); });
        QObject::connect(&engine, &Engine::FileDeleted,
                         [this](const std::string& n) { deleted.push_back(n); });
        QObject::connect(&engine, &Engine::Settled, [this] { ++settled; });
        QObject::connect(&engine, &Engine::SlotSkipped,
                         [this](int slot) { skipped.push_back(slot); });
    }
    int LastFailure() const { return failures.empty() ? -1 : failures.back().number; }
};

EcuEntry Ecu(const std::string& name, const std::string& file)
{
    return {name, file};
}

// The tester paths of the deletes `link` sent.
std::vector<std::string> Deletes(const ScriptedLink& link)
{
    std::vector<std::string> paths;
    for (const ScriptedLink::Request& r : link.sent)
        if (r.type == Engine::kDelete)
            paths.push_back(r.Text());
    return paths;
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
    // The program's workspace, rooted at the test's folder.
    Workspace Place() const
    {
        Workspace place = AppConfig;
        place.workDir = Work();
        return place;
    }

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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        if (code == 19)
            AnswerStatus(engine, 18, 1);
        const std::size_t requests = link.sent.size();
        Answer(engine, AnswerFrame(code, std::vector<std::uint8_t>(payload.begin(), payload.end())));
        QCOMPARE(watch.LastFailure(), message);
        QVERIFY(watch.failures.back().ends);
        QCOMPARE(engine.CurrentActivity(), Engine::Activity::Stopped);
        QCOMPARE(link.sent.size(), requests);
        // A late answer to a stopped engine is ignored.
        AnswerStatus(engine, 19, 4);
        QCOMPARE(watch.failures.size(), std::size_t(1));
    }

    void indexMismatchClosesWithSystemBox()
    {
        ScriptedLink link;
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        AnswerStatus(engine, 18, 1);
        Answer(engine, EntryFrame(0, "A.B_1"));
        Answer(engine, EntryFrame(2, "C.B_1"));
        QCOMPARE(watch.failures.size(), std::size_t(1));
        QVERIFY(watch.failures[0].platform);
        QCOMPARE(watch.failures[0].literalTitle, std::string(Engine::kIndexMismatchTitle));
        QCOMPARE(watch.failures[0].literal, std::string(Engine::kIndexMismatchText));
        QVERIFY(watch.failures[0].ends);
    }

    void timeoutLeavesControlsAsTheyAre()
    {
        ScriptedLink link;
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerStatus(engine, 7, 1);
        QVERIFY(!engine.ControlsEnabled());
        engine.OnAnswer(Engine::kTimeout, nullptr, 0);
        QCOMPARE(watch.LastFailure(), 12);
        QVERIFY(!watch.failures.back().ends);
        QVERIFY(!engine.ControlsEnabled());
        QCOMPARE(engine.EntryCountText(), std::string("--"));
    }

    void sendFailureCloses()
    {
        ScriptedLink link;
        link.refuse = true;
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        QCOMPARE(watch.LastFailure(), 15);
        QVERIFY(watch.failures.back().ends);
        // A request the library refuses when its turn comes in the link's queue.
        ScriptedLink queued;
        Engine later(queued, Place());
        Watch laterWatch(later);
        later.StartListing();
        later.OnAnswer(Engine::kSendFailed, nullptr, 0);
        QCOMPARE(laterWatch.LastFailure(), 15);
        QVERIFY(laterWatch.failures.back().ends);
    }

    void deleteRows()
    {
        ScriptedLink link;
        Engine engine(link, Place());
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
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {"A.B_1"});
        engine.DeleteRows({0});
        AnswerStatus(engine, 15, 2);
        QCOMPARE(watch.LastFailure(), 35);
        QVERIFY(watch.failures.back().ends);
    }

    // The selection holds software files: one display name in two vehicles is two files, and
    // the design's comparison by name dropped the second without a word.
    // A name from the tester that cannot be sent back (a path, a control byte, a cut) is
    // listed, never deleted: not by the purge, not by a row, not to make room for a download.
    void testerNamesThatBuildNoPath_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("parent folder") << QByteArray("../FN1/ABS&&1-2.BIN_5");
        QTest::newRow("up to the root") << QByteArray("../../etc/passwd&&1-2.BIN_5");
        QTest::newRow("absolute") << QByteArray("/etc/x&&1-2.BIN_5");
        QTest::newRow("subfolder") << QByteArray("A/B.BIN_5&&1-2.BIN_5");
        QTest::newRow("backslash") << QByteArray("..\\ABS&&1-2.BIN_5");
        QTest::newRow("dot") << QByteArray(".");
        QTest::newRow("dot dot") << QByteArray("..");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("control byte") << QByteArray("ABS\x01&&1-2.BIN_5");
        QTest::newRow("zero byte") << QByteArray("ABS\0&&1-2.BIN_5", 15);
        // Cut at 299 characters it reads as part 1 of 2 of another software.
        QTest::newRow("cut at 299") << QByteArray(288, 'A') + "&&1-2.BIN_5" + "ZZZZ";
    }
    void testerNamesThatBuildNoPath()
    {
        QFETCH(QByteArray, name);
        MakeSoftware("ABS.BIN_200000", 200000);
        ScriptedLink link;
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {name.toStdString(), "ABS&&2-2.BIN_5"});
        // The real part 2 of 2 is incomplete and purged; the hostile name is not.
        QCOMPARE(Deletes(link), std::vector<std::string>{"/FN0/ABS&&2-2.BIN_5"});
        AnswerStatus(engine, 15, 1);
        AnswerListing(engine, {name.toStdString()});
        QCOMPARE(watch.settled, 1);
        QCOMPARE(int(engine.Table().Rows().size()), 1);
        const std::size_t requests = link.sent.size();
        QVERIFY(!engine.DeleteRows({0}));
        QCOMPARE(watch.LastFailure(), ErrorText::kNameNotUsable);
        QVERIFY(!watch.failures.back().ends);
        QCOMPARE(watch.failures.back().appended, "\n" + EscapeName(engine.Table().Files()[0].name));
        QVERIFY(engine.ControlsEnabled());
        // Nor is it the software a download replaces.
        engine.AddToSelection(Ecu("abs", "ABS.BIN_200000"));
        QVERIFY(engine.Download());
        QVERIFY(watch.questions.empty());
        QCOMPARE(link.sent.size(), requests);
        QCOMPARE(watch.copies.size(), std::size_t(1));
    }

    // After a download or a delete the tester is listed again: what it acknowledged must show
    // there, or the user is told.
    void acknowledgedWorkIsListed_data()
    {
        QTest::addColumn<QString>("work");       // "download N" (files acknowledged) or "delete"
        QTest::addColumn<QStringList>("listed"); // the listing afterwards
        QTest::addColumn<QStringList>("said");   // in the failure's detail; empty: no failure
        const QStringList parts{"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304", "ABS&&3-3.BIN_3392"};
        QTest::newRow("all parts kept") << "download 3" << parts << QStringList{};
        QTest::newRow("last part not kept")
            << "download 3" << parts.mid(0, 2)
            << QStringList{"Sent but missing:", "ABS&&3-3.BIN_3392"};
        // The copy stopped after one part and said so; the rest was never acknowledged.
        QTest::newRow("copy stopped") << "download 1" << parts.mid(0, 1) << QStringList{};
        QTest::newRow("deleted and gone") << "delete" << QStringList{"OLD.BIN_7"} << QStringList{};
        QTest::newRow("deleted, still listed")
            << "delete" << QStringList{"OLD.BIN_7", "GONE.BIN_5"}
            << QStringList{"Deleted but still there:", "GONE.BIN_5"};
    }
    void acknowledgedWorkIsListed()
    {
        QFETCH(QString, work);
        QFETCH(QStringList, listed);
        QFETCH(QStringList, said);
        MakeSoftware("ABS.BIN_200000", 200000);
        ScriptedLink link;
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        if (work == "delete") {
            AnswerListing(engine, {"OLD.BIN_7", "GONE.BIN_5"});
            QCOMPARE(watch.settled, 1);
            QVERIFY(engine.DeleteRows({1}));
            AnswerStatus(engine, 15, 1);
        } else {
            AnswerListing(engine, {});
            QCOMPARE(watch.settled, 1);
            engine.AddToSelection(Ecu("abs", "ABS.BIN_200000"));
            QVERIFY(engine.Download());
            engine.CopyFinished(work.section(' ', 1).toInt());
        }
        std::vector<std::string> names;
        for (const QString& n : listed)
            names.push_back(n.toStdString());
        AnswerListing(engine, names);
        while (engine.CurrentActivity() == Engine::Activity::Deleting) { // the purge
            AnswerStatus(engine, 15, 1);
            if (engine.CurrentActivity() == Engine::Activity::Listing)
                AnswerListing(engine, {});
        }
        QCOMPARE(watch.settled, 2);
        QCOMPARE(watch.failures.empty(), said.isEmpty());
        if (said.isEmpty())
            return;
        QCOMPARE(watch.LastFailure(), ErrorText::kNotKept);
        QVERIFY(!watch.failures.back().ends);
        for (const QString& words : said)
            QVERIFY2(QString::fromStdString(watch.failures.back().appended).contains(words),
                     watch.failures.back().appended.c_str());
    }

    void selection()
    {
        ScriptedLink link;
        Engine engine(link, Place());
        Watch watch(engine);
        QCOMPARE(engine.AddToSelection(Ecu("Airbag", "AIRYPS.BIN_10"), {}, "Lancia"),
                 Engine::AddResult::Added);
        QCOMPARE(engine.AddToSelection(Ecu("Airbag", "AIR147.BIN_10"), {}, "Alfa 147"),
                 Engine::AddResult::Added);
        QCOMPARE(engine.AddToSelection(Ecu("Crash box", "AIR147.BIN_10"), {}, "Alfa 156"),
                 Engine::AddResult::Duplicate);
        QCOMPARE(engine.Selection()[1].vehicle, std::string("Alfa 147"));
        for (int i = 2; i < 15; ++i)
            QCOMPARE(engine.AddToSelection(Ecu("E", "E" + std::to_string(i) + ".B_1")),
                     Engine::AddResult::Added);
        QCOMPARE(engine.AddToSelection(Ecu("E", "X.B_1")), Engine::AddResult::Full);
        QCOMPARE(watch.LastFailure(), 4);
        // A software already chosen is a duplicate even in a full selection, not error 4.
        QCOMPARE(engine.AddToSelection(Ecu("Airbag", "AIRYPS.BIN_10")),
                 Engine::AddResult::Duplicate);
        QCOMPARE(watch.failures.size(), std::size_t(1));
        engine.RemoveFromSelection({0, 2});
        QCOMPARE(int(engine.Selection().size()), 13);
        QCOMPARE(engine.Selection()[0].ecu.fileName, std::string("AIR147.BIN_10"));
        QCOMPARE(engine.Selection()[1].ecu.fileName, std::string("E3.B_1"));
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
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, Names(onTester));
        engine.AddToSelection(Ecu("first", "R1.BIN_491520"));
        if (onTester < 30)
            engine.AddToSelection(Ecu("second", QString("R2.BIN_%1").arg(size).toStdString()));
        engine.Download();
        QCOMPARE(watch.LastFailure(), message);
        if (message > 0) {
            QCOMPARE(QString::fromStdString(watch.failures.back().appended), detail);
            QVERIFY(!watch.failures.back().ends);
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {name.toStdString()});
        const std::size_t requests = link.sent.size();
        engine.AddToSelection(Ecu("ecu", name.toStdString()));
        QVERIFY(!engine.Download());
        QCOMPARE(watch.LastFailure(), message);
        QVERIFY(!watch.failures.back().ends);
        QVERIFY(watch.questions.empty());
        QVERIFY(watch.copies.empty());
        QCOMPARE(link.sent.size(), requests); // nothing deleted, nothing sent
        QVERIFY(engine.ControlsEnabled());
    }

    // A whole file goes as it is whatever its real size, and takes the room its name gives.
    void wholeFileGoesAsItIs_data()
    {
        QTest::addColumn<qlonglong>("realSize");
        QTest::newRow("shorter than its name") << 99LL;
        // Four parts' worth of bytes, yet one entry: with 29 entries on the tester it fits.
        QTest::newRow("larger than a part") << 300000LL;
    }
    void wholeFileGoesAsItIs()
    {
        QFETCH(qlonglong, realSize);
        MakeSoftware("W.BIN_100", realSize);
        ScriptedLink link;
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, Names(29));
        engine.AddToSelection(Ecu("w", "W.BIN_100"));
        QVERIFY(engine.Download());
        QCOMPARE(watch.failures.size(), std::size_t(0));
        QCOMPARE(watch.copies.size(), std::size_t(1));
        QCOMPARE(watch.copies[0].size(), std::size_t(1));
        QCOMPARE(watch.copies[0][0].pcPath, Work() + "/W.BIN_100");
        QCOMPARE(watch.copies[0][0].testerPath, std::string("/FN0/W.BIN_100"));
    }

    // What lies where a part is to be written is never written through, and anything but a
    // regular file stops the download before a delete or a byte is sent.
    void partPlace_data()
    {
        QTest::addColumn<QString>("place"); // what lies at the first part's name
        QTest::addColumn<int>("message");   // -1: the download goes on
        QTest::newRow("link to a file") << "link" << 67;
        QTest::newRow("dangling link") << "dangling" << 67;
        QTest::newRow("folder") << "folder" << 67;
        QTest::newRow("FIFO") << "fifo" << 67;
        // Truncating a stale part in place would have rewritten the file it shares with.
        QTest::newRow("hard link to another file") << "hardlink" << -1;
    }
    void partPlace()
    {
        QFETCH(QString, place);
        QFETCH(int, message);
        QTemporaryDir work;
        const QString part = work.filePath("BIG&&1-2.BIN_98304");
        const QString other = work.filePath("OTHER.TXT");
        {
            QFile f(work.filePath("BIG.BIN_100000"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(100000, 'b'));
            QFile o(other);
            QVERIFY(o.open(QIODevice::WriteOnly));
            o.write("precious");
        }
        const QByteArray otherPath = other.toLocal8Bit(), partPath = part.toLocal8Bit();
        if (place == "link")
            QVERIFY(::symlink(otherPath.constData(), partPath.constData()) == 0);
        else if (place == "dangling")
            QVERIFY(::symlink(work.filePath("NOWHERE").toLocal8Bit().constData(),
                              partPath.constData()) == 0);
        else if (place == "folder")
            QVERIFY(QDir(work.path()).mkdir("BIG&&1-2.BIN_98304"));
        else if (place == "fifo")
            QVERIFY(::mkfifo(partPath.constData(), 0644) == 0);
        else
            QVERIFY(::link(otherPath.constData(), partPath.constData()) == 0);
        ScriptedLink link;
        Workspace inFolder = AppConfig;
        inFolder.workDir = work.path().toStdString();
        Engine engine(link, inFolder);
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {});
        const std::size_t requests = link.sent.size();
        engine.AddToSelection(Ecu("big", "BIG.BIN_100000"));
        engine.Download();
        QCOMPARE(watch.LastFailure(), message);
        QFile o(other);
        QVERIFY(o.open(QIODevice::ReadOnly));
        QCOMPARE(o.readAll(), QByteArray("precious"));
        QVERIFY(!QFile::exists(work.filePath("NOWHERE")));
        if (message > 0) {
            QCOMPARE(link.sent.size(), requests);
            QVERIFY(watch.copies.empty());
            QVERIFY(QString::fromStdString(watch.failures.back().appended).contains(part));
            QCOMPARE(engine.CurrentActivity(), Engine::Activity::Idle);
        } else {
            QCOMPARE(watch.copies.size(), std::size_t(1));
            QFile written(part);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll(), QByteArray(98304, 'b'));
        }
        QCOMPARE(QDir(work.path()).entryList({".zolt-part-*"}, QDir::Hidden | QDir::Files),
                 QStringList{});
    }

    // A part the file system cannot create (its name is too long) stops the download.
    void partFileCannotBeWritten()
    {
        const QString name = QString(242, 'R') + ".BIN_100000"; // its parts are 257 long
        MakeSoftware(name, 100000);
        ScriptedLink link;
        Engine engine(link, Place());
        Watch watch(engine);
        engine.StartListing();
        AnswerListing(engine, {});
        engine.AddToSelection(Ecu("ro", name.toStdString()));
        engine.Download();
        QCOMPARE(watch.LastFailure(), 59);
        QVERIFY(watch.copies.empty());
        QCOMPARE(engine.CurrentActivity(), Engine::Activity::Idle);
        QFile::remove(dir_.filePath(name));
    }

    // Two slots of the same software are asked about separately; No skips only its own.
    void conflictQuestionPerSlot()
    {
        MakeSoftware("CF.BIN_100", 100);
        MakeSoftware("CF.HEX_100", 100);
        ScriptedLink link;
        Engine engine(link, Place());
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
        Engine engine(link, Place());
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

    // Same part count: nothing is asked, and only parts of the same split software that the
    // new parts replace under another name are deleted; a whole file the user did not choose
    // stays, and keeping the tester's files skips the software instead of deleting.
    void sameCount_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("onTester");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<int>("queued"); // -1: skipped
        QTest::newRow("whole file of another version stays")
            << "ABS.BIN_200" << QStringList{"ABS.BIN_100"} << false << QStringList{} << 1;
        QTest::newRow("stray last part goes")
            << "ABS.BIN_200000"
            << QStringList{"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304", "ABS&&3-3.BIN_1000"} << false
            << QStringList{"/FN0/ABS&&3-3.BIN_1000"} << 3;
        QTest::newRow("parts of another extension stay")
            << "ABS.BIN_200000"
            << QStringList{"ABS&&1-3.HEX_98304", "ABS&&2-3.HEX_98304", "ABS&&3-3.HEX_1000"} << false
            << QStringList{} << 3;
        QTest::newRow("kept: stray part stays, software skipped")
            << "ABS.BIN_200000"
            << QStringList{"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304", "ABS&&3-3.BIN_1000"} << true
            << QStringList{} << -1;
        QTest::newRow("kept: nothing stray, sent")
            << "ABS.BIN_200" << QStringList{"ABS.BIN_100"} << true << QStringList{} << 1;
    }
    void sameCount()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, onTester);
        QFETCH(bool, keep);
        QFETCH(QStringList, deleted);
        QFETCH(int, queued);
        MakeSoftware(file, ParseSoftwareName(file.toStdString()).size);
        ScriptedLink link;
        Engine engine(link, Place());
        engine.SetKeepTesterFiles(keep);
        Watch watch(engine);
        engine.StartListing();
        std::vector<std::string> names;
        for (const QString& n : onTester)
            names.push_back(n.toStdString());
        AnswerListing(engine, names);
        engine.AddToSelection(Ecu("abs", file.toStdString()));
        QVERIFY(engine.Download());
        QVERIFY(watch.questions.empty());
        for (std::size_t i = 0; i < std::size_t(deleted.size()); ++i)
            AnswerStatus(engine, 15, 1);
        QStringList sent;
        for (const std::string& path : Deletes(link))
            sent << QString::fromStdString(path);
        QCOMPARE(sent, deleted);
        QCOMPARE(watch.skipped, queued < 0 ? std::vector<int>{0} : std::vector<int>{});
        QCOMPARE(watch.copies.size(), std::size_t(queued < 0 ? 0 : 1));
        if (queued > 0)
            QCOMPARE(int(watch.copies[0].size()), queued);
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
