// Fuzz target for the frames a tester (or line noise that passes the CRC) sends of its own
// accord: notices of library events, code-27 frames and stray answers, put on a pseudo-terminal,
// read by the link library and handled by the link window and the main view's handler. No run
// may crash, open a box over a box of the same message, or leave the link unable to read.
//
// The input is read two bytes at a time: a kind and a value.
#include "core/app_config.h"
#include "core/error_boxes.h"
#include "core/message_box.h"
#include "link/link_session.h"
#include "link/view_link_handler.h"
#include "linklib/wire_frame.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The program's message box under `boxes`: events keep flowing while it is open.
class ModalBoxes
{
public:
    explicit ModalBoxes(const ErrorBoxes& boxes)
    {
        SetMessageBoxHook([&boxes](const std::string&, const std::string&, int) {
            const std::vector<ErrorReport>& open = boxes.Showing();
            for (std::size_t i = 0; i < open.size(); ++i)
                for (std::size_t j = i + 1; j < open.size(); ++j)
                    if (open[i].SameMessage(open[j]))
                        std::abort(); // a box over a box of the same message
            if (open.size() > 8)
                std::abort();
            QCoreApplication::processEvents();
            return 1;
        });
    }
};

struct Rig
{
    QTemporaryDir work;
    int master = -1;
    ErrorBoxes boxes{AppConfig};
    ModalBoxes modal{boxes};
    QObject view;
    LinkSession session{AppConfig};
    ViewLinkHandler handler{session, &view};
    long long shown = 0; // library events 1 seen

    Rig()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            std::abort();
        QFile::link(QString::fromLatin1(ptsname(master)), work.filePath("tester"));
        QFile ini(work.filePath("VELANTO.INI"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[PORTE_COM]\nCOM1=" + work.filePath("tester").toUtf8() + "\n");
        ini.close();
        AppConfig.profilePath = work.filePath("VELANTO.INI").toStdString();
        boxes.Watch(&session);
        boxes.Watch(&handler);
        if (session.OpenLink(&view, PortTarget::Com(1)) != 0 || !session.PortOpen())
            std::abort();
        QObject::connect(session.Window(), &LinkWindow::ViewShowRequested, [this] { ++shown; });
    }

    // Reads and drops what the program sent (its acknowledgements), so its writes never block.
    void DrainLine()
    {
        std::uint8_t sink[4096];
        while (::read(master, sink, sizeof sink) > 0) {
        }
    }

    void Write(const wire::Bytes& line)
    {
        std::size_t at = 0;
        while (at < line.size()) {
            pollfd p{master, POLLOUT, 0};
            if (::poll(&p, 1, 10) > 0) {
                const ssize_t n = ::write(master, line.data() + at, line.size() - at);
                if (n > 0)
                    at += std::size_t(n);
            }
            DrainLine();
            QCoreApplication::processEvents();
        }
    }
};

Rig* g_rig = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    static Rig rig;
    g_rig = &rig;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Rig& rig = *g_rig;
    const std::uint8_t id = std::uint8_t(rig.session.LinkId());
    wire::Bytes line;
    long long expected = rig.shown;
    auto add = [&](const wire::Bytes& frame) {
        const wire::Bytes encoded = wire::Encode(frame);
        line.insert(line.end(), encoded.begin(), encoded.end());
    };
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const std::uint8_t value = data[i + 1];
        switch (data[i] % 4) {
        case 0: // a notice
            add(wire::MakeFrame(id, wire::kNoticeClass, wire::kNoticeCode, {value}));
            expected += value == proto::kEventShowView;
            break;
        case 1: // code 27 with any status
            add(wire::MakeFrame(id, 10, proto::kAnswerTesterNotice, {value}));
            break;
        case 2: // an answer nobody asked for
            add(wire::MakeFrame(id, std::uint8_t(value >> 4), std::uint8_t(value & 15), {1}));
            break;
        default: // a notice carrying more than its event
            add(wire::MakeFrame(id, wire::kNoticeClass, wire::kNoticeCode, {value, value, 0}));
            expected += value == proto::kEventShowView;
            break;
        }
    }
    // Last, a notice the test counts: once it has arrived, the link has read everything before.
    add(wire::MakeFrame(id, wire::kNoticeClass, wire::kNoticeCode, {proto::kEventShowView}));
    ++expected;
    rig.Write(line);
    QElapsedTimer clock;
    clock.start();
    while (rig.shown < expected) {
        if (clock.elapsed() > 10000)
            std::abort(); // the link stopped reading
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        rig.DrainLine();
    }
    return 0;
}
