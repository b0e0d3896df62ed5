// Tests of the copy engine against a scripted tester: block layout, sums, progress, text mode,
// compression, every row of the answer table, and the ways a transfer ends.
#include "link/link_session.h"
#include "link/tests/fake_link_api.h"
#include "link/tests/manual_clock.h"
#include "transfer/tests/copy_test_support.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Bytes = std::vector<std::uint8_t>;

// Changes the status of the nth answer to requests with `code` (nth 0: every one).
struct Rule
{
    int code;
    int nth;
    int status;
};
using Rules = std::vector<Rule>;
using Strings = std::vector<std::string>;
using Ints = std::vector<int>;
Q_DECLARE_METATYPE(Rules)
Q_DECLARE_METATYPE(Strings)
Q_DECLARE_METATYPE(Ints)

namespace {

// Frees a copy blocked on opening the FIFO `path`: if the test has not finished within a few
// seconds, the other end is opened (`mode`) so that the test can fail instead of hanging.
class FifoRescue
{
public:
    FifoRescue(const QString& path, int mode) : path_(path.toLocal8Bit())
    {
        if (path.isEmpty())
            return;
        thread_ = std::thread([this, mode] {
            std::unique_lock lock(mutex_);
            if (finished_.wait_for(lock, std::chrono::seconds(5), [this] { return done_; }))
                return;
            lock.unlock();
            const int fd = ::open(path_.constData(), mode);
            rescued_ = true;
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~FifoRescue() { Finish(); }

    // Returns true when the copy had to be freed.
    bool Finish()
    {
        if (!thread_.joinable())
            return rescued_;
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        // A rescuer still waiting for its other end is let go.
        const int other = ::open(path_.constData(), O_RDWR | O_NONBLOCK);
        thread_.join();
        if (other >= 0)
            ::close(other);
        return rescued_;
    }

private:
    QByteArray path_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::atomic<bool> rescued_{false};
};

std::function<int(const ScriptedTester::Request&)> Script(const Rules& rules)
{
    return [rules](const ScriptedTester::Request& r) {
        for (const Rule& rule : rules)
            if (rule.code == r.code && (rule.nth == 0 || rule.nth == r.nth))
                return rule.status;
        return ScriptedTester::kKeep;
    };
}

Ints PayloadSizes(const std::vector<ScriptedTester::Request>& requests)
{
    Ints out;
    for (const auto& r : requests)
        out.push_back(int(r.payload.size()));
    return out;
}

Bytes WithoutCarriageReturns(Bytes in)
{
    in.erase(std::remove(in.begin(), in.end(), std::uint8_t(0x0D)), in.end());
    return in;
}

} // namespace

class TestCopyEngine : public QObject
{
    Q_OBJECT

private slots:
    void blocksOfAFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<Ints>("blockPayloads"); // 4 + carried + 1
        QTest::newRow("empty: block 0 only") << 0 << Ints{5};
        QTest::newRow("1 byte") << 1 << Ints{6};
        QTest::newRow("110 bytes: one full block") << 110 << Ints{115};
        QTest::newRow("220 bytes: blocks 0 and 1") << 220 << Ints{115, 115};
        QTest::newRow("221 bytes: blocks 0, 1 and 2") << 221 << Ints{115, 115, 6};
    }

    void blocksOfAFile()
    {
        QFETCH(int, size);
        QFETCH(Ints, blockPayloads);
        CopyFixture f;
        const std::string pc = f.MakeFile("A.BIN", size);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        QVERIFY(engine.AddFile(pc, "/FN0/A.BIN", false, false));
        QCOMPARE(CopyFixture::Run(engine), 1);

        Ints codes{7, 8};
        codes.insert(codes.end(), blockPayloads.size(), 9);
        codes.push_back(10);
        QCOMPARE(f.tester->Codes(), codes);
        QCOMPARE(PayloadSizes(f.tester->Of(9)), blockPayloads);
        const Bytes path = f.tester->Of(8)[0].payload;
        QCOMPARE(std::string(path.begin(), path.end()), std::string("/FN0/A.BIN"));
        // Block numbers count from 0, most significant byte first.
        const auto blocks = f.tester->Of(9);
        for (std::size_t i = 0; i < blocks.size(); ++i)
            QCOMPARE(Bytes(blocks[i].payload.begin(), blocks[i].payload.begin() + 4),
                     (Bytes{0, 0, 0, std::uint8_t(i)}));
        QCOMPARE(f.tester->files["/FN0/A.BIN"], CopyFixture::Bytes(pc));
        QVERIFY(f.messages.empty());
    }

    // The one block of an empty file and its end carry nothing but the complements of 0.
    void emptyFileSendsBlockZeroAndAllOnesSums()
    {
        CopyFixture f;
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(f.MakeFile("E.BIN", 0), "/FN0/E.BIN", false, false);
        QCOMPARE(CopyFixture::Run(engine), 1);
        QCOMPARE(f.tester->Of(9)[0].payload, (Bytes{0, 0, 0, 0, 0xFF}));
        QCOMPARE(f.tester->Of(10)[0].payload, Bytes(110, 0xFF));
    }

    void endOfFileCarriesComplementedColumnSums()
    {
        CopyFixture f;
        QByteArray content;
        for (int i = 0; i < 221; ++i)
            content += char(i < 110 ? 1 : i < 220 ? 2 : 5);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(f.WriteFile("S.BIN", content), "/FN0/S.BIN", false, false);
        QCOMPARE(CopyFixture::Run(engine), 1);
        Bytes expected(110, std::uint8_t(~3));
        expected[0] = std::uint8_t(~8);
        QCOMPARE(f.tester->Of(10)[0].payload, expected);
    }

    // Sums and block numbers start again with every file; the tester model refuses otherwise.
    void severalFilesArriveInQueueOrder()
    {
        CopyFixture f;
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        QSignalSpy sent(&engine, &CopyEngine::FileSent);
        const int sizes[] = {333, 0, 1000, 110};
        for (int i = 0; i < 4; ++i) {
            const std::string name = "F" + std::to_string(i);
            engine.AddFile(f.MakeFile(name, sizes[i], i), "/FN0/" + name, false, false);
        }
        QCOMPARE(CopyFixture::Run(engine), 1);
        QCOMPARE(sent.count(), 4);
        QCOMPARE(engine.FilesSent(), 4);
        for (int i = 0; i < 4; ++i) {
            const std::string name = "F" + std::to_string(i);
            QCOMPARE(f.tester->files["/FN0/" + name], CopyFixture::Bytes(f.Path(name)));
        }
        QCOMPARE(f.tester->Count(), 1 + 4 + (4 + 1 + 10 + 1) + 4);
    }

    void progressDivisor_data()
    {
        QTest::addColumn<Ints>("sizes");
        QTest::addColumn<int>("divisor");
        QTest::addColumn<int>("maximum");
        QTest::newRow("31,999 bytes count bytes") << Ints{31999} << 1 << 31999;
        QTest::newRow("32,000 bytes count hundreds") << Ints{32000} << 100 << 320;
        QTest::newRow("the total of the queue decides") << Ints{16000, 16050} << 100 << 320;
    }

    void progressDivisor()
    {
        QFETCH(Ints, sizes);
        QFETCH(int, divisor);
        QFETCH(int, maximum);
        CopyFixture f;
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        int total = 0;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const std::string name = "P" + std::to_string(i);
            engine.AddFile(f.MakeFile(name, sizes[i]), "/FN0/" + name, false, false);
            total += sizes[i];
        }
        std::vector<int> positions;
        connect(&engine, &CopyEngine::ProgressChanged, this,
                [&] { positions.push_back(engine.ProgressPosition()); });
        QCOMPARE(CopyFixture::Run(engine), 1);
        QCOMPARE(engine.Divisor(), divisor);
        QCOMPARE(engine.ProgressMaximum(), maximum);
        QVERIFY(!positions.empty());
        QCOMPARE(positions.front(), 110 / divisor);
        QCOMPARE(positions.back(), maximum);
        const std::string text = "Byte: " + std::to_string(total) + " - " + std::to_string(total);
        QCOMPARE(engine.ProgressText(), text);
    }

    void textModeAndCompression_data()
    {
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<bool>("compress");
        QTest::newRow("text mode drops carriage returns") << true << false;
        QTest::newRow("binary keeps them") << false << false;
        QTest::newRow("compression sends the .ZIP file as it is") << true << true;
    }

    void textModeAndCompression()
    {
        QFETCH(bool, textMode);
        QFETCH(bool, compress);
        CopyFixture f;
        // 110 bytes of which 3 are carriage returns, then a second, shorter line block.
        QByteArray content(110, 'x');
        content[10] = '\r';
        content[50] = '\r';
        content[109] = '\r';
        content += "tail\r\n";
        if (compress) // lines varied enough that the compressed copy holds carriage returns too
            for (int i = 0; i < 300; ++i)
                content += "valore " + QByteArray::number(i * i * 7919 % 100003) + "\r\n";
        const std::string pc = f.WriteFile("T.TXT", content);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(pc, "/FN0/T.TXT", textMode, compress);
        std::vector<std::uint64_t> read;
        connect(&engine, &CopyEngine::ProgressChanged, this,
                [&] { read.push_back(engine.BytesRead()); });
        QCOMPARE(CopyFixture::Run(engine), 1);
        const Bytes arrived = f.tester->files["/FN0/T.TXT"];
        if (compress) {
            QCOMPARE(engine.Entries()[0].pcPath, pc + ".ZIP");
            const Bytes zip = CopyFixture::Bytes(pc + ".ZIP");
            QCOMPARE(arrived, zip);
            QVERIFY(std::count(zip.begin(), zip.end(), std::uint8_t(0x0D)) > 0);
            Bytes expanded;
            QVERIFY(decompressBuffer(arrived, expanded, [](const std::string&) {}).ok());
            QCOMPARE(expanded, CopyFixture::Bytes(pc));
            return;
        }
        QVERIFY(!read.empty());
        QCOMPARE(read.front(), std::uint64_t(110)); // progress follows the bytes read
        const auto blocks = f.tester->Of(9);
        QVERIFY(!blocks.empty());
        QCOMPARE(blocks[0].payload.size(), std::size_t(textMode ? 4 + 107 + 1 : 115));
        const Bytes original = CopyFixture::Bytes(pc);
        QCOMPARE(arrived, textMode ? WithoutCarriageReturns(original) : original);
    }

    // A block read whole but made only of carriage returns carries nothing and still goes as a
    // block: only a read that finds no byte ends the file.
    void textModeBlockOfOnlyCarriageReturnsIsNotTheEnd()
    {
        CopyFixture f;
        const QByteArray content = QByteArray(110, 'x') + QByteArray(110, '\r') + "end";
        const std::string pc = f.WriteFile("CR.TXT", content);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(pc, "/FN0/CR.TXT", true, false);
        QCOMPARE(CopyFixture::Run(engine), 1);
        QCOMPARE(f.tester->Codes(), (Ints{7, 8, 9, 9, 9, 10}));
        QCOMPARE(PayloadSizes(f.tester->Of(9)), (Ints{115, 5, 8}));
        QCOMPARE(f.tester->Of(9)[1].payload, (Bytes{0, 0, 0, 1, 0xFF}));
        QCOMPARE(engine.BytesRead(), std::uint64_t(223));
        QCOMPARE(f.tester->files["/FN0/CR.TXT"], WithoutCarriageReturns(CopyFixture::Bytes(pc)));
    }

    void answerTable_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<Rules>("rules");
        QTest::addColumn<int>("result");
        QTest::addColumn<Strings>("messages");
        QTest::addColumn<Ints>("codes"); // of the requests sent, for a file of 150 bytes
        QTest::addColumn<int>("acknowledged");

        const Ints whole{7, 8, 9, 9, 10};
        QTest::newRow("all accepted") << 1 << Rules{} << 1 << Strings{} << whole << 1;
        QTest::newRow("tester path refused: 19, closing sync")
            << 1 << Rules{{8, 1, 2}} << 0 << Strings{"E19"} << Ints{7, 8, 7} << 0;
        QTest::newRow("open answered 3: 29")
            << 1 << Rules{{8, 1, 3}} << 0 << Strings{"E29"} << Ints{7, 8} << 0;
        // Status 5 is taken like a refusal only where the table names it: the block answer.
        QTest::newRow("open answered 5: 29, not 19")
            << 1 << Rules{{8, 1, 5}} << 0 << Strings{"E29"} << Ints{7, 8} << 0;
        QTest::newRow("block refused once is sent again")
            << 1 << Rules{{9, 1, 2}} << 1 << Strings{} << Ints{7, 8, 9, 9, 9, 10} << 1;
        QTest::newRow("block status 5 is a refusal too")
            << 1 << Rules{{9, 2, 5}} << 1 << Strings{} << Ints{7, 8, 9, 9, 9, 10} << 1;
        QTest::newRow("block refused on every attempt: 20, closing sync")
            << 1 << Rules{{9, 0, 2}} << 0 << Strings{"E20"} << Ints{7, 8, 9, 9, 9, 7} << 0;
        QTest::newRow("tester error on a block: 18, closing sync")
            << 1 << Rules{{9, 2, 3}} << 0 << Strings{"E18"} << Ints{7, 8, 9, 9, 7} << 0;
        QTest::newRow("block answered 4: 29")
            << 1 << Rules{{9, 1, 4}} << 0 << Strings{"E29"} << Ints{7, 8, 9} << 0;
        QTest::newRow("end of file refused: 20, no sync")
            << 1 << Rules{{10, 1, 2}} << 0 << Strings{"E20"} << whole << 0;
        QTest::newRow("end of file answered 0: 29")
            << 1 << Rules{{10, 1, 0}} << 0 << Strings{"E29"} << whole << 0;
        QTest::newRow("end of file answered 3: 29")
            << 1 << Rules{{10, 1, 3}} << 0 << Strings{"E29"} << whole << 0;
        QTest::newRow("end of file answered 5: 29, not 20")
            << 1 << Rules{{10, 1, 5}} << 0 << Strings{"E29"} << whole << 0;
        QTest::newRow("block status 5 on every attempt: 20, closing sync")
            << 1 << Rules{{9, 0, 5}} << 0 << Strings{"E20"} << Ints{7, 8, 9, 9, 9, 7} << 0;
        QTest::newRow("no answer: 12") << 1 << Rules{{9, 2, ScriptedTester::kTimeOut}} << 0
                                       << Strings{"E12"} << Ints{7, 8, 9, 9} << 0;
        QTest::newRow("second file refused, first stays")
            << 2 << Rules{{8, 2, 2}} << 0 << Strings{"E19"} << Ints{7, 8, 9, 9, 10, 8, 7} << 1;
    }

    void answerTable()
    {
        QFETCH(int, files);
        QFETCH(Rules, rules);
        QFETCH(int, result);
        QFETCH(Strings, messages);
        QFETCH(Ints, codes);
        QFETCH(int, acknowledged);
        CopyFixture f;
        f.tester->script = Script(rules);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        for (int i = 0; i < files; ++i) {
            const std::string name = "R" + std::to_string(i);
            engine.AddFile(f.MakeFile(name, 150, i), "/FN0/" + name, false, false);
        }
        QCOMPARE(CopyFixture::Run(engine), result);
        QCOMPARE(f.messages, messages);
        QCOMPARE(f.tester->Codes(), codes);
        QCOMPARE(int(f.tester->files.size()), acknowledged);
        QCOMPARE(engine.FilesSent(), acknowledged);
        for (const auto& [path, data] : f.tester->files)
            QCOMPARE(data, CopyFixture::Bytes(f.Path(path.substr(5))));
        // A refused block goes again exactly as it was, its sums counted once.
        const auto blocks = f.tester->Of(9);
        if (result == 1 && blocks.size() == 3)
            QVERIFY(blocks[0].payload == blocks[1].payload ||
                    blocks[1].payload == blocks[2].payload);
        QTRY_VERIFY(!f.link.Pending());
    }

    void timeOutEndsTheExchange()
    {
        CopyFixture f;
        f.tester->script = Script({{9, 1, ScriptedTester::kTimeOut}});
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(f.MakeFile("X", 50), "/FN0/X", false, false);
        QCOMPARE(CopyFixture::Run(engine), 0);
        QTRY_COMPARE(f.tester->cancels, 1);
        QVERIFY(!f.link.Pending());
    }

    // The PC file is never opened: had it been, its absence would show text 21.
    void refusedTesterPathNeverOpensThePcFile()
    {
        CopyFixture f;
        const std::string pc = f.MakeFile("N", 10);
        f.tester->script = [&](const ScriptedTester::Request& r) {
            if (r.code == 8)
                QFile::remove(QString::fromStdString(pc));
            return r.code == 8 ? 2 : ScriptedTester::kKeep;
        };
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(pc, "/FN0/N", false, false);
        QCOMPARE(CopyFixture::Run(engine), 0);
        QCOMPARE(f.messages, Strings{"E19"});
        QCOMPARE(engine.BytesRead(), std::uint64_t(0));
    }

    void sendFailureShows15()
    {
        CopyFixture f;
        f.tester->refuse = true;
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(f.MakeFile("X", 50), "/FN0/X", false, false);
        QVERIFY(!engine.Start());
        QCOMPARE(engine.Result(), 0);
        QCOMPARE(f.messages, Strings{"E15"});
    }

    void unreadablePcFile_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("missing at opening: nothing sent") << "opening";
        QTest::newRow("gone when the tester accepts its name") << "accepted";
    }

    // Text 21 always names the file: the box never reads a raw "%s".
    void unreadablePcFile()
    {
        QFETCH(QString, when);
        CopyFixture f;
        const std::string good = f.MakeFile("GOOD", 300);
        const std::string bad = f.MakeFile("BAD", 300, 2);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.AddFile(good, "/FN0/GOOD", false, false);
        engine.AddFile(bad, "/FN0/BAD", false, false);
        if (when == "opening")
            QFile::remove(QString::fromStdString(bad));
        if (when == "accepted")
            f.tester->script = [&](const ScriptedTester::Request& r) {
                if (r.code == 8 && r.nth == 2)
                    QFile::remove(QString::fromStdString(bad));
                return ScriptedTester::kKeep;
            };
        QCOMPARE(CopyFixture::Run(engine), 0);
        QCOMPARE(f.messages, Strings{"E21 " + bad});
        if (when == "accepted") {
            QCOMPARE(f.tester->files.size(), std::size_t(1));
        } else {
            QCOMPARE(f.tester->Count(), 0);
        }
    }

    void compressionRefused_data()
    {
        QTest::addColumn<QString>("zip"); // what holds the name of the compressed copy
        QTest::addColumn<int>("size");
        QTest::newRow("empty file: the codec refuses it") << "none" << 0;
        QTest::newRow("an old copy is not left as if it were new") << "old copy" << 0;
        QTest::newRow("the copy's name is a folder") << "folder" << 300;
        QTest::newRow("the copy's name is a FIFO") << "fifo" << 300;
        QTest::newRow("the copy's name links elsewhere") << "link" << 300;
    }

    // The box says what went wrong, names the file, and no ".ZIP" of this run stays behind;
    // what already held the name and was not a regular file is left alone.
    void compressionRefused()
    {
        QFETCH(QString, zip);
        QFETCH(int, size);
        CopyFixture f;
        const std::string pc = f.MakeFile("C.BIN", size);
        const QString zipPath = QString::fromStdString(pc + ".ZIP");
        const std::string outside = f.WriteFile("OUTSIDE", "kept");
        if (zip == "old copy")
            f.WriteFile("C.BIN.ZIP", "an earlier compressed copy");
        if (zip == "folder")
            QVERIFY(QDir().mkpath(zipPath));
        if (zip == "fifo")
            QCOMPARE(::mkfifo(zipPath.toLocal8Bit().constData(), 0600), 0);
        if (zip == "link")
            QVERIFY(QFile::link(QString::fromStdString(outside), zipPath));
        FifoRescue rescue(zip == "fifo" ? zipPath : QString(), O_RDONLY);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.SetCodecDiagnostics([](const std::string&) {});
        engine.AddFile(pc, "/FN0/C.BIN", false, true);
        QCOMPARE(CopyFixture::Run(engine), 0);
        QVERIFY2(!rescue.Finish(), "the copy blocked on a FIFO");
        QCOMPARE(f.messages, Strings{"E63 " + pc});
        QCOMPARE(f.tester->Count(), 0);
        const QFileInfo left(zipPath);
        if (zip == "none" || zip == "old copy")
            QVERIFY(!left.exists());
        if (zip == "folder")
            QVERIFY(left.isDir());
        if (zip == "fifo")
            QVERIFY(left.exists() && !left.isFile());
        if (zip == "link")
            QVERIFY(left.isSymLink());
        QCOMPARE(CopyFixture::Bytes(outside), (Bytes{'k', 'e', 'p', 't'}));
    }

    void specialFileAsSource_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("compress");
        QTest::newRow("FIFO") << "fifo" << false;
        QTest::newRow("FIFO, compressed") << "fifo" << true;
        QTest::newRow("endless device") << "zero" << false;
        QTest::newRow("endless device, compressed") << "zero" << true;
        QTest::newRow("folder") << "folder" << false;
    }

    // A source that is not a regular file is refused as a missing one is: no blocking on a FIFO,
    // no endless stream to the tester.
    void specialFileAsSource()
    {
        QFETCH(QString, kind);
        QFETCH(bool, compress);
        CopyFixture f;
        const std::string pc = f.Path("S.BIN_4096");
        const QString path = QString::fromStdString(pc);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
        if (kind == "zero")
            QVERIFY(QFile::link("/dev/zero", path));
        if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        FifoRescue rescue(kind == "fifo" ? path : QString(), O_WRONLY);
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        engine.SetCodecDiagnostics([](const std::string&) {});
        engine.AddFile(pc, "/FN0/S.BIN_4096", false, compress);
        QCOMPARE(CopyFixture::Run(engine, 3000), 0);
        QVERIFY2(!rescue.Finish(), "the copy blocked on a FIFO");
        QCOMPARE(f.messages, Strings{"E21 " + pc});
        QCOMPARE(f.tester->Count(), 0);
        QVERIFY(!QFileInfo::exists(path + ".ZIP"));
    }

    void cancelAndClose_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("result");
        QTest::newRow("Cancel gives 2") << true << 2;
        QTest::newRow("closing the window gives 0") << false << 0;
    }

    void cancelAndClose()
    {
        QFETCH(bool, cancel);
        QFETCH(int, result);
        CopyFixture f;
        CopyEngine engine(f.link, f.workspace);
        f.Record(engine);
        QSignalSpy enabled(&engine, &CopyEngine::CancelEnabled);
        engine.AddFile(f.MakeFile("C", 1000), "/FN0/C", false, false);
        // The user acts while the third block is on its way.
        f.tester->script = [&](const ScriptedTester::Request& r) {
            if (r.code != 9 || r.nth != 3)
                return ScriptedTester::kKeep;
            QTimer::singleShot(0, &engine, [&] { cancel ? engine.Cancel() : engine.Close(); });
            return ScriptedTester::kNoAnswer;
        };
        QCOMPARE(CopyFixture::Run(engine), result);
        QTRY_COMPARE(f.tester->cancels, 1); // the exchange was ended
        QVERIFY(f.messages.empty());
        QCOMPARE(enabled.count(), 2);
        QCOMPARE(enabled.at(0).at(0).toBool(), false);
        QCOMPARE(enabled.at(1).at(0).toBool(), true);
        QVERIFY(f.tester->files.empty());
    }

    void endedWhileAnotherExchangeHoldsTheLink_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("result");
        QTest::newRow("Cancel") << true << 2;
        QTest::newRow("close box") << false << 0;
    }

    // The user ends the transfer while its first request waits for the link: nothing of the
    // copy is sent, and the exchange holding the link is left to its own requester.
    void endedWhileAnotherExchangeHoldsTheLink()
    {
        QFETCH(bool, cancel);
        QFETCH(int, result);
        CopyFixture f;
        FakeLinkApi* api = new FakeLinkApi;
        ManualClock clock; // outlives the session, whose timers it keeps
        LinkSession session(f.workspace, std::unique_ptr<LinkApi>(api));
        session.SetClock(clock);
        QObject view;
        QCOMPARE(session.OpenLink(&view, PortTarget::Com(1)), 0);
        LinkWindow* window = session.Window();
        QObject other;
        QCOMPARE(window->BuildRequest(3), 1);
        QCOMPARE(window->SendRequest(&other), 1);
        SessionRequestLink link(session);
        CopyEngine engine(link, f.workspace);
        f.Record(engine);
        engine.AddFile(f.MakeFile("W", 50), "/FN0/W", false, false);
        QTimer::singleShot(0, &engine, [&] { cancel ? engine.Cancel() : engine.Close(); });
        QVERIFY(engine.Start());
        QCOMPARE(window->Queued(), 1);
        QTRY_COMPARE(int(engine.CurrentState()), int(CopyEngine::State::Done));
        QCOMPARE(engine.Result(), result);
        QCOMPARE(window->Queued(), 0);
        QCOMPARE(window->Requester(), &other);
        QVERIFY(window->Pending());
        window->EndExchange(&other);
        clock.Advance(proto::kEndExchangeMs);
        QVERIFY(!window->Busy());
        QCOMPARE(api->Count("Send"), 1); // only the other requester's sync
        QCOMPARE(api->lastSender.data(), &other);
        QVERIFY(f.messages.empty());
    }

    void queueHolds255Files()
    {
        ScriptedLink link;
        const Workspace workspace;
        CopyEngine engine(link, workspace);
        for (int i = 0; i < 255; ++i)
            QVERIFY(engine.AddFile("/pc/" + std::to_string(i), "/FN0/X", false, false));
        QVERIFY(!engine.AddFile("/pc/256", "/FN0/X", false, false));
        QCOMPARE(int(engine.Entries().size()), 255);
    }

    void testerPathLongerThan254IsRefused()
    {
        ScriptedLink link;
        const Workspace workspace;
        CopyEngine engine(link, workspace);
        QVERIFY(engine.AddFile("/pc/a", "/FN0/" + std::string(249, 'a'), false, false));
        QVERIFY(!engine.AddFile("/pc/a", "/FN0/" + std::string(250, 'a'), false, false));
    }
};

QTEST_GUILESS_MAIN(TestCopyEngine)
#include "tst_copy_engine.moc"
