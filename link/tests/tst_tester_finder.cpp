// The search for the tester over pseudo-terminals: silent devices, a busy one and the tester
// simulator, with the real link library.
#include "link/link_api.h"
#include "link/tester_finder.h"
#include "linklib/protocol.h"
#include "linklib/wire_frame.h"
#include "tools/tester_sim/tester_sim_process.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A pseudo-terminal nobody answers on; it keeps what reached it.
struct SilentLine
{
    int master = -1;
    QString path;

    SilentLine()
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            ::close(slave);
            path = QString::fromLocal8Bit(name);
            ::fcntl(master, F_SETFL, O_NONBLOCK);
        }
    }
    ~SilentLine() { ::close(master); }

    // The frames that arrived, decoded.
    std::vector<wire::Bytes> Frames() const
    {
        wire::FrameParser parser;
        std::uint8_t chunk[4096];
        for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;)
            parser.Feed(chunk, std::size_t(n));
        std::vector<wire::Bytes> frames;
        for (wire::Bytes frame; parser.Next(frame);)
            frames.push_back(frame);
        return frames;
    }
};

// True when nobody holds `path` open with a lock: the search left it closed.
bool Released(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

} // namespace

class TestTesterFinder : public QObject
{
    Q_OBJECT

private slots:
    // The simulator among two silent lines and one another program holds: only the simulator
    // answers, the silent lines saw nothing but one sync each, and nothing stays open.
    void findsTheSimulatorAndSendsOnlySyncs()
    {
        QTemporaryDir work;
        QDir().mkpath(work.filePath("FN0"));
        TesterSimProcess sim;
        const QString simLink = work.filePath("tester");
        QVERIFY(sim.Start(work.filePath("FN0"), simLink));
        SilentLine first, second, held;
        QVERIFY(!first.path.isEmpty() && !second.path.isEmpty() && !held.path.isEmpty());
        const int holder = ::open(QFile::encodeName(held.path).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX | LOCK_NB) == 0);

        QString error;
        std::unique_ptr<LinkApi> api = LoadLinkLibrary(&error);
        QVERIFY2(api, qPrintable(error));
        TesterFinder finder(*api);
        finder.SetWait(300);
        QSignalSpy tried(&finder, &TesterFinder::Tried);
        QSignalSpy finished(&finder, &TesterFinder::Finished);
        const QString gone = work.filePath("ttyUSB9");
        QVERIFY(finder.Start({first.path, held.path, simLink, second.path, gone}));
        QVERIFY(finished.wait(10000));

        using Outcome = TesterFinder::Outcome;
        const std::vector<std::pair<QString, Outcome>> expected = {{first.path, Outcome::Silent},
                                                                   {held.path, Outcome::Busy},
                                                                   {simLink, Outcome::Answered},
                                                                   {second.path, Outcome::Silent},
                                                                   {gone, Outcome::Missing}};
        QCOMPARE(finder.Results().size(), expected.size());
        QCOMPARE(tried.count(), int(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(finder.Results()[i].device, expected[i].first);
            QCOMPARE(int(finder.Results()[i].outcome), int(expected[i].second));
        }
        QCOMPARE(finder.Answered(), QStringList{simLink});

        for (const SilentLine* line : {&first, &second}) {
            const std::vector<wire::Bytes> frames = line->Frames();
            QCOMPARE(frames.size(), std::size_t(1));
            const proto::FrameView view(frames[0].data(), frames[0].size());
            const proto::RequestType* sync = proto::FindRequestType(proto::kRequestSync);
            QVERIFY(view.Is(sync->frameClass, sync->code));
        }
        QVERIFY(held.Frames().empty());
        ::close(holder);
        for (const QString& path : {first.path, second.path, held.path, simLink})
            QVERIFY2(Released(path), qPrintable(path));
    }

    // The program's own port is named as such, never opened a second time.
    void ownPortIsNotTried()
    {
        SilentLine line;
        QString error;
        std::unique_ptr<LinkApi> api = LoadLinkLibrary(&error);
        QVERIFY2(api, qPrintable(error));
        TesterFinder finder(*api);
        finder.SetOwnDevice(line.path);
        QSignalSpy finished(&finder, &TesterFinder::Finished);
        QVERIFY(finder.Start({line.path}));
        QVERIFY(finished.wait(5000));
        QCOMPARE(int(finder.Results().at(0).outcome), int(TesterFinder::Outcome::OwnPort));
        QVERIFY(line.Frames().empty());
    }
};

QTEST_GUILESS_MAIN(TestTesterFinder)
#include "tst_tester_finder.moc"
