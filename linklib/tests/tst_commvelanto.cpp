// Tests of the link library as the program sees it: loaded at run time, called by ordinal,
// talking over a pseudo-terminal that the test holds at the other end.
#include "linklib/link_event.h"
#include "linklib/commvelanto.h"
#include "linklib/wire_frame.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Api
{
    LinkInitFn init;
    LinkReleaseFn release;
    LinkOpenPortFn openPort;
    LinkClosePortFn closePort;
    LinkReceiveFn receive;
    LinkSendFn send;
    LinkTextFn version;
    LinkTextFn date;
    LinkCancelFn cancel;
    LinkPortErrorFn portError;
    LinkOpenDeviceFn openDevice;
};

// The descriptors of this process open on `device`.
int OpenOn(const QString& device)
{
    int count = 0;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System))
        count += fd.symLinkTarget() == device;
    return count;
}

class Window : public QObject
{
public:
    std::vector<long long> events;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != LinkMessageEvent::eventType())
            return QObject::event(e);
        events.push_back(static_cast<LinkMessageEvent*>(e)->wParam);
        return true;
    }
};

} // namespace

class TestCommVelanto : public QObject
{
    Q_OBJECT

    QLibrary library{ZOLT_BINARY_DIR "/bin/libCOMMVELANTO.so"};
    Api api{};
    QTemporaryDir work;
    QString previousDir;
    int master = -1;

    // The pseudo-terminal's own end: reads what the library wrote within `ms`.
    wire::Bytes ReadLine(int ms = 10000)
    {
        wire::Bytes out;
        pollfd p{master, POLLIN, 0};
        while (::poll(&p, 1, ms) > 0) {
            std::uint8_t buf[2048];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
            ms = 20;
        }
        return out;
    }
    void WriteLine(const wire::Bytes& bytes)
    {
        QCOMPARE(::write(master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    void WriteProfile(const QByteArray& content)
    {
        QFile ini(work.filePath("VELANTO.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(content);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(library.load(), qPrintable(library.errorString()));
        auto lookup = reinterpret_cast<LinkProcAddressFn>(library.resolve("LinkProcAddress"));
        QVERIFY(lookup);
        // Every ordinal leads to the export of the same name.
        const struct
        {
            int ordinal;
            const char* name;
        } exports[] = {{2, "LinkInit"},      {3, "LinkRelease"}, {4, "LinkOpenPort"},
                       {5, "LinkClosePort"}, {6, "LinkReceive"}, {7, "LinkSend"},
                       {8, "LinkVersion"},   {9, "LinkDate"},    {11, "LinkCancel"},
                       {12, "LinkPortError"}};
        for (const auto& e : exports)
            QCOMPARE(lookup(e.ordinal), reinterpret_cast<void*>(library.resolve(e.name)));
        QCOMPARE(lookup(1), nullptr);
        QCOMPARE(lookup(10), nullptr);
        api.init = reinterpret_cast<LinkInitFn>(lookup(2));
        api.release = reinterpret_cast<LinkReleaseFn>(lookup(3));
        api.openPort = reinterpret_cast<LinkOpenPortFn>(lookup(4));
        api.closePort = reinterpret_cast<LinkClosePortFn>(lookup(5));
        api.receive = reinterpret_cast<LinkReceiveFn>(lookup(6));
        api.send = reinterpret_cast<LinkSendFn>(lookup(7));
        api.version = reinterpret_cast<LinkTextFn>(lookup(8));
        api.date = reinterpret_cast<LinkTextFn>(lookup(9));
        api.cancel = reinterpret_cast<LinkCancelFn>(lookup(11));
        api.portError = reinterpret_cast<LinkPortErrorFn>(lookup(12));
        api.openDevice = reinterpret_cast<LinkOpenDeviceFn>(lookup(14));

        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        QVERIFY(QFile::link(QString::fromLatin1(ptsname(master)), work.filePath("tester")));
        previousDir = QDir::currentPath();
        QDir::setCurrent(work.path());
        WriteProfile("[PORTE_COM]\nCOM1 = " + work.filePath("tester").toUtf8() +
                     "\nCOM2=/nonexistent/ttyZ9\nCOM3=" + work.filePath("VELANTO.INI").toUtf8() +
                     "\n");
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(previousDir);
        ::close(master);
    }

    void versionAndDate()
    {
        QCOMPARE(QString(api.version()), QString("1.0.0"));
        QVERIFY(QRegularExpression("^\\d\\d/\\d\\d/\\d{4}$").match(api.date()).hasMatch());
    }

    void initRefusesNullWindow() { QCOMPARE(api.init(nullptr, 0), -1); }

    void openFailureSaysWhy_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("why");
        QTest::newRow("missing device") << 2 << "does not exist";
        QTest::newRow("not a serial device") << 3 << "not a serial device";
    }

    void openFailureSaysWhy()
    {
        QFETCH(int, port);
        QFETCH(QString, why);
        Window window;
        const int id = api.init(&window, 0);
        unsigned char area[8] = {};
        QCOMPARE(api.openPort(id, 0, port, 19200, area), 0);
        QVERIFY2(QString(api.portError(id)).contains(why), api.portError(id));
        QVERIFY(area[3] != 0); // the errno of the open
        QCOMPARE(api.send(&window, id, wire::MakeFrame(id, 11, 7, {}).data(), 7), 0);
        QCOMPARE(api.release(id), 1);
    }

    void noPermissionNamesDialoutGroup()
    {
        if (::geteuid() == 0)
            QSKIP("root opens any file");
        QFile locked(work.filePath("locked"));
        QVERIFY(locked.open(QIODevice::WriteOnly));
        locked.close();
        locked.setPermissions({});
        WriteProfile("[PORTE_COM]\nCOM4=" + locked.fileName().toUtf8() + "\n");
        Window window;
        const int id = api.init(&window, 0);
        QCOMPARE(api.openPort(id, 0, 4, 19200, nullptr), 0);
        QVERIFY2(QString(api.portError(id)).contains("\"dialout\" group"), api.portError(id));
        api.release(id);
        initTestCase_profile();
    }

    void secondOpenIsBusy()
    {
        Window window;
        const int first = api.init(&window, 0);
        const int second = api.init(&window, 0);
        QCOMPARE(api.openPort(first, 0, 1, 19200, nullptr), 1);
        QCOMPARE(api.openPort(second, 0, 1, 19200, nullptr), 0);
        QVERIFY2(QString(api.portError(second)).contains("busy"), api.portError(second));
        api.release(second);
        api.release(first);
    }

    void exchangeOverTheLine()
    {
        Window window, requester;
        const int id = api.init(&window, 0);
        QVERIFY(id >= 0);
        QCOMPARE(api.openPort(id, 0, 1, 19200, nullptr), 1);
        ReadLine(50);

        const wire::Bytes sync = wire::MakeFrame(std::uint8_t(id), 11, 7, {});
        QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 1);
        QVERIFY(window.events.empty()); // nothing is delivered from inside LinkSend
        QCOMPARE(ReadLine(), wire::Encode(sync));

        // Garbage, a notice, a frame of nobody's, then the answer.
        const wire::Bytes answer = wire::MakeFrame(std::uint8_t(id), 11, 7, {1});
        const wire::Bytes stray = wire::MakeFrame(std::uint8_t(id), 10, 27, {1});
        wire::Bytes line{0x00, 0x57, 0x57, 0x00, 0x99};
        for (const wire::Bytes& f : {wire::MakeFrame(std::uint8_t(id), 0, 0, {4}), stray, answer}) {
            const wire::Bytes e = wire::Encode(f);
            line.insert(line.end(), e.begin(), e.end());
        }
        WriteLine(line);
        QTRY_COMPARE(window.events, (std::vector<long long>{4, 3, 3}));

        unsigned char buffer[1024];
        int length = 0;
        void* who = &window;
        QCOMPARE(api.receive(&who, id, buffer, &length), 1);
        QCOMPARE(wire::Bytes(buffer, buffer + length), stray);
        QCOMPARE(who, nullptr);
        QCOMPARE(api.receive(&who, id, buffer, &length), 1);
        QCOMPARE(wire::Bytes(buffer, buffer + length), answer);
        QCOMPARE(who, static_cast<void*>(&requester));
        QCOMPARE(api.receive(&who, id, buffer, &length), 2);

        // A cancelled exchange takes its undelivered answer with it.
        QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 1);
        WriteLine(wire::Encode(answer));
        QTRY_COMPARE(window.events.size(), std::size_t(4));
        api.cancel(id);
        QCOMPARE(api.receive(&who, id, buffer, &length), 2);

        // The answer to a window that has gone is nobody's, not a message of the tester's own.
        {
            auto gone = std::make_unique<Window>();
            QCOMPARE(api.send(gone.get(), id, sync.data(), int(sync.size())), 1);
            gone.reset();
            WriteLine(wire::Encode(answer));
            QTRY_COMPARE(window.events.size(), std::size_t(5));
            QCOMPARE(api.receive(&who, id, buffer, &length), 2);
        }

        // A garbage header claiming a long frame must not swallow the next answer for good.
        QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 1);
        wire::Bytes trap{0x57, 0x03, 0x00, 0x00, 0x01};
        const wire::Bytes e = wire::Encode(answer);
        trap.insert(trap.end(), e.begin(), e.end());
        WriteLine(trap);
        QTRY_COMPARE_WITH_TIMEOUT(window.events.size(), std::size_t(6), 10000);
        QCOMPARE(api.receive(&who, id, buffer, &length), 1);
        QCOMPARE(who, static_cast<void*>(&requester));

        api.closePort(id);
        QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 0);
        QCOMPARE(api.release(id), 1);
        QCOMPARE(api.release(id), 0);
    }

    // A device that goes away (its far end closed, as an unplugged adapter's line) is closed
    // at once and said once by event 256, after the frames it delivered; sends fail from then
    // on until it is opened again.
    void deviceThatGoesAwayIsClosedAndSaidOnce_data()
    {
        QTest::addColumn<bool>("answerFirst");
        QTest::addColumn<bool>("sendAfter");
        QTest::addColumn<std::vector<long long>>("events");
        QTest::newRow("hang-up while idle") << false << false << std::vector<long long>{256};
        QTest::newRow("hang-up behind an answer")
            << true << false << std::vector<long long>{3, 256};
        // The write finds it before the reader does: the frame goes with the device.
        QTest::newRow("hang-up found by a write") << false << true << std::vector<long long>{256};
    }

    void deviceThatGoesAwayIsClosedAndSaidOnce()
    {
        QFETCH(bool, answerFirst);
        QFETCH(bool, sendAfter);
        QFETCH(std::vector<long long>, events);
        int far = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(far >= 0 && grantpt(far) == 0 && unlockpt(far) == 0);
        const QString device = QString::fromLatin1(ptsname(far));
        Window window, requester;
        const int id = api.init(&window, 0);
        QCOMPARE(api.openDevice(id, device.toLocal8Bit().constData(), 19200, nullptr), 1);
        QCOMPARE(OpenOn(device), 1);
        const wire::Bytes sync = wire::MakeFrame(std::uint8_t(id), 11, 7, {});
        QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 1);
        if (answerFirst) {
            const wire::Bytes answer = wire::Encode(wire::MakeFrame(std::uint8_t(id), 11, 7, {1}));
            QCOMPARE(::write(far, answer.data(), answer.size()), ssize_t(answer.size()));
            QTest::qWait(20); // on the line before the hang-up, unread yet
        }
        ::close(far);
        if (sendAfter)
            QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 1);
        QTRY_COMPARE(window.events, events);
        QCOMPARE(OpenOn(device), 0);
        unsigned char buffer[1024];
        int length = 0;
        void* who = nullptr;
        QCOMPARE(api.receive(&who, id, buffer, &length), answerFirst ? 1 : 2);
        if (answerFirst)
            QCOMPARE(who, static_cast<void*>(&requester));
        QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 0);
        QTest::qWait(50);
        QCOMPARE(window.events, events); // said once, not at every turn of the loop

        // Plugged in again: the same name opens and carries frames.
        far = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(far >= 0 && grantpt(far) == 0 && unlockpt(far) == 0);
        QCOMPARE(api.openDevice(id, ptsname(far), 19200, nullptr), 1);
        QCOMPARE(api.send(&requester, id, sync.data(), int(sync.size())), 1);
        pollfd p{far, POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 5000), 1);
        api.release(id);
        ::close(far);
    }

private:
    void initTestCase_profile()
    {
        WriteProfile("[PORTE_COM]\nCOM1 = " + work.filePath("tester").toUtf8() +
                     "\nCOM2=/nonexistent/ttyZ9\nCOM3=" + work.filePath("VELANTO.INI").toUtf8() +
                     "\n");
    }
};

QTEST_GUILESS_MAIN(TestCommVelanto)
#include "tst_commvelanto.moc"
