// Tests of the link on pseudo-terminals whose other end the test holds: the settings the line
// gets, and a tester (or line noise) flooding the program with frames it did not ask for.
#include "core/app_config.h"
#include "core/error_boxes.h"
#include "core/message_box.h"
#include "link/link_session.h"
#include "link/view_link_handler.h"
#include "linklib/wire_frame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kCode27 = 1000;

// A working folder whose VELANTO.INI maps COM1 and COM2 to two pseudo-terminals; the test
// holds their other ends.
struct TwoLines
{
    QTemporaryDir work;
    QString previousDir = QDir::currentPath();
    int master[2] = {-1, -1};

    TwoLines()
    {
        QByteArray ini = "[PORTE_COM]\n";
        for (int i = 0; i < 2; ++i) {
            master[i] = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (master[i] < 0 || grantpt(master[i]) != 0 || unlockpt(master[i]) != 0)
                return;
            QFile::link(QString::fromLatin1(ptsname(master[i])), Device(i + 1));
            ini += "COM" + QByteArray::number(i + 1) + "=" + Device(i + 1).toUtf8() + "\n";
        }
        QFile file(work.filePath("VELANTO.INI"));
        file.open(QIODevice::WriteOnly);
        file.write(ini);
        file.close();
        QDir::setCurrent(work.path());
        AppConfig.profilePath = work.filePath("VELANTO.INI").toStdString();
        AppConfig.comPort = 1;
    }
    ~TwoLines()
    {
        QDir::setCurrent(previousDir);
        for (int fd : master)
            if (fd >= 0)
                ::close(fd);
    }
    QString Device(int port) const { return work.filePath(QString("tester%1").arg(port)); }
};

// Stands in for the program's message box under ErrorBoxes: while open it runs an event loop
// of its own, as a modal box does, until `done` says the flood has been dealt with, or nothing
// has moved for `stallMs`. A box of a message already open is recorded as stacked and not
// opened, so that the fault fails the test instead of overflowing its stack.
class ModalBoxes
{
public:
    std::vector<std::string> open; // the texts of the boxes open now, outermost first
    std::size_t deepest = 0;
    int shown = 0;
    bool stacked = false;
    std::function<bool()> done;
    std::function<bool()> stalled;

    ModalBoxes()
    {
        SetMessageBoxHook([this](const std::string&, const std::string& text, int) {
            Show(text);
            return 1;
        });
    }
    ~ModalBoxes() { SetMessageBoxHook(nullptr); }

private:
    void Show(const std::string& text)
    {
        ++shown;
        if (std::find(open.begin(), open.end(), text) != open.end()) {
            stacked = true;
            return;
        }
        open.push_back(text);
        deepest = std::max(deepest, open.size());
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done() || stalled())
                loop.quit();
        });
        poll.start(5);
        // A real box posts events of its own as it shows, which also wakes the dispatcher
        // for the events that were already waiting.
        QCoreApplication::postEvent(&loop, new QEvent(QEvent::User));
        loop.exec();
        open.pop_back();
    }
};

} // namespace

class TestLinkLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT"; }

    // The line the link sets up, read back from the device: at start-up and after the user
    // picked another port.
    void lineSettings_data()
    {
        QTest::addColumn<int>("port");
        QTest::newRow("opened at start-up") << 1;
        QTest::newRow("after a change of port") << 2;
    }

    void lineSettings()
    {
        QFETCH(int, port);
        TwoLines lines;
        QVERIFY(lines.master[1] >= 0);
        // Opened before the link takes the device for itself, so it can be read meanwhile.
        const int watch = ::open(qPrintable(lines.Device(port)), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(watch >= 0);
        QObject view;
        LinkSession session(AppConfig);
        QCOMPARE(session.OpenLink(&view, PortTarget::Com(1)), 0);
        if (port != 1)
            QCOMPARE(session.ReopenPort(PortTarget::Com(port)), LinkSession::Reopen::Opened);
        QVERIFY(session.PortOpen());

        termios t{};
        QCOMPARE(tcgetattr(watch, &t), 0);
        ::close(watch);
        const struct
        {
            const char* what;
            bool holds;
        } checks[] = {
            {"19200 baud received", cfgetispeed(&t) == B19200},
            {"19200 baud sent", cfgetospeed(&t) == B19200},
            {"8 data bits", (t.c_cflag & CSIZE) == CS8},
            {"no parity", !(t.c_cflag & PARENB)},
            {"one stop bit", !(t.c_cflag & CSTOPB)},
            {"no hardware flow control", !(t.c_cflag & CRTSCTS)},
            {"no software flow control", !(t.c_iflag & (IXON | IXOFF | IXANY))},
            {"receiver on, modem lines ignored", (t.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL)},
            {"raw: no line editing, echo or signals",
             !(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN))},
            {"raw: received bytes untouched",
             !(t.c_iflag & (ISTRIP | INLCR | IGNCR | ICRNL | BRKINT | PARMRK | INPCK))},
            {"raw: sent bytes untouched", !(t.c_oflag & OPOST)},
            {"reads return what has arrived", t.c_cc[VMIN] == 0 && t.c_cc[VTIME] == 0},
        };
        QStringList wrong;
        for (const auto& check : checks)
            if (!check.holds)
                wrong << check.what;
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
    }

    // A tester that floods the line with notices of unknown events (message 42) or code-27
    // frames with unexpected statuses (message 29), about 4 s of line time: every one of them
    // is read and handled, and while a box is open the same message never opens another.
    void floodStacksNoBoxes_data()
    {
        // Each number is a notice frame with that event, or kCode27 + N a code-27 frame with
        // status N; the flood repeats them in turn.
        QTest::addColumn<QList<int>>("frames");
        QTest::addColumn<int>("deepest");
        QTest::newRow("unknown events") << QList<int>{0, 5, 9, 200, 255} << 1;
        QTest::newRow("unexpected code-27 statuses")
            << QList<int>{kCode27 + 0, kCode27 + 3, kCode27 + 7, kCode27 + 254} << 1;
        QTest::newRow("both, interleaved") << QList<int>{9, kCode27 + 7, 255, kCode27 + 4} << 2;
    }

    void floodStacksNoBoxes()
    {
        QFETCH(QList<int>, frames);
        QFETCH(int, deepest);
        constexpr int kFrames = 8300;
        TwoLines lines;
        QVERIFY(lines.master[0] >= 0);
        ModalBoxes boxes;
        ErrorBoxes shown(AppConfig);
        QObject view;
        LinkSession session(AppConfig);
        QCOMPARE(session.OpenLink(&view, PortTarget::Com(1)), 0);
        QVERIFY(session.PortOpen());
        ViewLinkHandler handler(session, &view);
        shown.Watch(&session);
        shown.Watch(&handler);

        wire::Bytes line;
        const std::uint8_t id = std::uint8_t(session.LinkId());
        for (int i = 0; i < kFrames; ++i) {
            const int f = frames[i % frames.size()];
            const wire::Bytes frame = f < kCode27
                                          ? wire::MakeFrame(id, 0, 0, {std::uint8_t(f)})
                                          : wire::MakeFrame(id, 10, 27, {std::uint8_t(f - kCode27)});
            const wire::Bytes encoded = wire::Encode(frame);
            line.insert(line.end(), encoded.begin(), encoded.end());
        }
        auto handled = [&] { return boxes.shown + int(shown.HeldBack()); };
        // Every frame is handled within seconds; a count that stops moving for 2 s has stopped.
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        int lastHandled = 0;
        auto stalled = [&] {
            if (handled() != lastHandled) {
                lastHandled = handled();
                sinceProgress.restart();
            }
            return sinceProgress.elapsed() > 2000;
        };
        boxes.done = [&] { return handled() >= kFrames; };
        boxes.stalled = stalled;

        // The tester's end: writes the flood as fast as the line takes it, and reads whatever
        // the program sends so that its writes never block.
        std::atomic<bool> stop{false};
        const int master = lines.master[0];
        std::thread tester([&] {
            std::size_t at = 0;
            while (!stop) {
                pollfd p{master, short(POLLIN | (at < line.size() ? POLLOUT : 0)), 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                std::uint8_t sink[4096];
                if (p.revents & POLLIN)
                    (void)::read(master, sink, sizeof sink);
                if (p.revents & POLLOUT) {
                    const ssize_t n = ::write(master, line.data() + at, line.size() - at);
                    if (n > 0)
                        at += std::size_t(n);
                }
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(handled() >= kFrames || boxes.stacked || stalled(), 30000);
        stop = true;
        tester.join();
        QVERIFY2(handled() >= kFrames || boxes.stacked,
                 qPrintable(QString("only %1 of %2 frames were shown or held back, then nothing "
                                    "moved for 2 s")
                                .arg(handled())
                                .arg(kFrames)));

        QVERIFY2(!boxes.stacked, "a box opened over a box of the same message");
        QCOMPARE(handled(), kFrames);
        QCOMPARE(int(boxes.deepest), deepest);
        QVERIFY(boxes.open.empty());
    }
};

QTEST_GUILESS_MAIN(TestLinkLine)
#include "tst_link_line.moc"
