// The link library: one serial port per link, frames checked on the way in, notifications
// posted to the program's window on its own thread.
#include "linklib/commvelanto.h"

#include "linklib/link_event.h"
#include "linklib/serial_device.h"
#include "linklib/wire_frame.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <array>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// A frame that sat half-received this long after the last byte was garbage that looked like
// a header; giving it up lets the parser find the frames behind it.
constexpr int kStallMs = proto::kStallMs;
// Bytes waiting for the line beyond this mean nothing drains the port any more.
constexpr std::size_t kMaxOutput = 64 * 1024;

struct Received
{
    wire::Bytes frame;
    QPointer<QObject> window;
    bool answer = false; // true when it answers the request in progress
};

class Link
{
public:
    explicit Link(QObject* window) : window_(window)
    {
        stall_.setSingleShot(true);
        stall_.setInterval(kStallMs);
        QObject::connect(&stall_, &QTimer::timeout, [this] {
            parser_.DropPartial();
            Drain();
        });
    }
    ~Link() { ClosePort(); }

    int OpenPort(int port, int baud, unsigned char* area)
    {
        return OpenDevice(serial::DeviceForPort(port), baud, area);
    }

    int OpenDevice(const std::string& device, int baud, unsigned char* area)
    {
        ClosePort();
        const serial::OpenResult result = serial::OpenDevice(device, baud);
        if (area) {
            proto::PutU32BE(area, std::uint32_t(result.error));
            proto::PutU32BE(area + 4, std::uint32_t(baud));
        }
        portReason_ = serial::ReasonFor(result.error);
        if (result.fd < 0) {
            portError_ = result.why;
            return 0;
        }
        portError_.clear();
        fd_ = result.fd;
        reader_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(reader_.get(), &QSocketNotifier::activated, [this] { Read(); });
        writer_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        writer_->setEnabled(false);
        QObject::connect(writer_.get(), &QSocketNotifier::activated, [this] { Flush(); });
        return 1;
    }

    void ClosePort()
    {
        stall_.stop();
        reader_.reset();
        writer_.reset();
        serial::CloseDevice(fd_);
        fd_ = -1;
        parser_.Reset();
        output_.clear();
        outstanding_ = {};
    }

    int Send(QObject* window, const unsigned char* frame, int size)
    {
        if (fd_ < 0 || !reader_->isEnabled() || !frame || size <= 0 ||
            !wire::IsWellFormed(frame, std::size_t(size)))
            return 0;
        const wire::Bytes bytes = wire::Encode(frame, std::size_t(size));
        if (output_.size() + bytes.size() > kMaxOutput)
            return 0;
        output_.insert(output_.end(), bytes.begin(), bytes.end());
        if (!Flush())
            return 0;
        // The device went away under this write: the frame is lost with it, and event 256 ends
        // the exchange as one that had no answer, as for a line that went away a moment later.
        if (fd_ < 0)
            return 1;
        outstanding_ = {true, window, frame[proto::kOffsetClass], frame[proto::kOffsetCode]};
        return 1;
    }

    int Receive(void** window, unsigned char* response, int* length)
    {
        if (received_.empty())
            return 2;
        Received item = std::move(received_.front());
        received_.pop_front();
        // The window that asked has gone: nobody awaits this answer, and passing it on as a
        // message of the tester's own would hand it to the main view.
        if (item.answer && !item.window)
            return 2;
        std::memcpy(response, item.frame.data(), item.frame.size());
        if (length)
            *length = int(item.frame.size());
        if (window)
            *window = item.answer ? item.window.data() : nullptr;
        return 1;
    }

    void Cancel()
    {
        outstanding_ = {};
        received_.clear();
    }

    const std::string& PortError() const { return portError_; }
    proto::PortReason PortReason() const { return portReason_; }

private:
    struct Outstanding
    {
        bool active = false;
        QPointer<QObject> window;
        std::uint8_t frameClass = 0;
        std::uint8_t code = 0;
    };

    void Post(int event)
    {
        if (window_)
            QCoreApplication::postEvent(window_, new LinkMessageEvent(event, 0));
    }

    // The device has gone away (unplugged adapter, hung-up line): it is closed at once, so that
    // the system can give its name to the device when it comes back, and said once by event 256.
    // The notifiers are only switched off: this runs inside their own signal, and the next
    // open replaces them.
    void Lost()
    {
        if (fd_ < 0)
            return;
        reader_->setEnabled(false);
        writer_->setEnabled(false);
        stall_.stop();
        serial::CloseDevice(fd_);
        fd_ = -1;
        parser_.Reset();
        output_.clear();
        outstanding_ = {};
        Post(proto::kEventDeviceLost);
    }

    static bool MeansGone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

    // Writes what the line takes now; the rest goes when the device is writable again.
    bool Flush()
    {
        while (!output_.empty()) {
            const ssize_t n = ::write(fd_, output_.data(), output_.size());
            if (n > 0) {
                output_.erase(output_.begin(), output_.begin() + n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                writer_->setEnabled(true);
                return true;
            }
            if (n < 0 && MeansGone(errno)) {
                Lost();
                return true;
            }
            output_.clear();
            writer_->setEnabled(false);
            return false;
        }
        writer_->setEnabled(false);
        return true;
    }

    void Read()
    {
        std::uint8_t chunk[4096];
        for (bool first = true;; first = false) {
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0) {
                parser_.Feed(chunk, std::size_t(n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // A raw line reads 0 once it is drained; only a device that reports itself readable
            // and then gives nothing, or an error, has gone away (unplugged adapter, closed
            // pseudo-terminal). The frames it delivered before go first.
            if ((n == 0 && first) || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
                Drain();
                Lost();
                return;
            }
            break;
        }
        Drain();
    }

    void Drain()
    {
        wire::Bytes frame;
        while (parser_.Next(frame)) {
            const proto::FrameView view(frame.data(), frame.size());
            if (view.Is(wire::kNoticeClass, wire::kNoticeCode) && view.Status() >= 0) {
                Post(view.Status());
                continue;
            }
            Received item;
            if (outstanding_.active && view.Is(outstanding_.frameClass, outstanding_.code)) {
                item.answer = true;
                item.window = outstanding_.window;
                outstanding_ = {};
            }
            item.frame = std::move(frame);
            received_.push_back(std::move(item));
            Post(3);
        }
        if (parser_.HasPartial())
            stall_.start();
        else
            stall_.stop();
    }

    QPointer<QObject> window_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> reader_;
    std::unique_ptr<QSocketNotifier> writer_;
    QTimer stall_;
    wire::FrameParser parser_;
    wire::Bytes output_;
    std::deque<Received> received_;
    Outstanding outstanding_;
    std::string portError_;
    proto::PortReason portReason_ = proto::PortReason::kNone;
};

constexpr int kMaxLinks = 8;
std::array<std::unique_ptr<Link>, kMaxLinks> g_links;

Link* Find(int linkId)
{
    if (linkId < 1 || linkId > kMaxLinks)
        return nullptr;
    return g_links[std::size_t(linkId - 1)].get();
}

bool OnAppThread()
{
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

// __DATE__ is "Mmm dd yyyy"; the program shows dates as dd/mm/yyyy.
std::string BuildDate()
{
    static const char* const kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char* date = __DATE__;
    int month = 1;
    for (int m = 0; m < 12; ++m)
        if (std::strncmp(date, kMonths + 3 * m, 3) == 0)
            month = m + 1;
    char out[32];
    std::snprintf(out, sizeof out, "%02d/%02d/%.4s", std::atoi(date + 4) % 100, month, date + 7);
    return out;
}

} // namespace

extern "C" {

int LinkInit(void* window, int)
{
    if (!window)
        return -1;
    if (!QCoreApplication::instance())
        return -2;
    if (!OnAppThread())
        return -4;
    for (int i = 0; i < kMaxLinks; ++i)
        if (!g_links[std::size_t(i)]) {
            g_links[std::size_t(i)] = std::make_unique<Link>(static_cast<QObject*>(window));
            return i + 1;
        }
    return -3;
}

int LinkRelease(int linkId)
{
    if (!Find(linkId) || !OnAppThread())
        return 0;
    g_links[std::size_t(linkId - 1)].reset();
    return 1;
}

int LinkOpenPort(int linkId, int, int port, int baud, unsigned char* area)
{
    Link* link = Find(linkId);
    return link && OnAppThread() ? link->OpenPort(port, baud, area) : 0;
}

int LinkOpenDevice(int linkId, const char* device, int baud, unsigned char* area)
{
    Link* link = Find(linkId);
    return link && device && OnAppThread() ? link->OpenDevice(device, baud, area) : 0;
}

void LinkClosePort(int linkId)
{
    if (Link* link = Find(linkId))
        link->ClosePort();
}

int LinkReceive(void** window, int linkId, unsigned char* response, int* length)
{
    Link* link = Find(linkId);
    if (!link || !response)
        return 0;
    return link->Receive(window, response, length);
}

int LinkSend(void* window, int linkId, const unsigned char* frame, int size)
{
    Link* link = Find(linkId);
    return link ? link->Send(static_cast<QObject*>(window), frame, size) : 0;
}

const char* LinkVersion(void)
{
    return "1.0.0";
}

const char* LinkDate(void)
{
    static const std::string date = BuildDate();
    return date.c_str();
}

void LinkCancel(int linkId)
{
    if (Link* link = Find(linkId))
        link->Cancel();
}

const char* LinkPortError(int linkId)
{
    Link* link = Find(linkId);
    return link ? link->PortError().c_str() : "";
}

int LinkPortErrorReason(int linkId)
{
    Link* link = Find(linkId);
    return link ? int(link->PortReason()) : 0;
}

void* LinkProcAddress(int ordinal)
{
    switch (ordinal) {
    case kOrdinalLinkInit:
        return reinterpret_cast<void*>(&LinkInit);
    case kOrdinalLinkRelease:
        return reinterpret_cast<void*>(&LinkRelease);
    case kOrdinalLinkOpenPort:
        return reinterpret_cast<void*>(&LinkOpenPort);
    case kOrdinalLinkClosePort:
        return reinterpret_cast<void*>(&LinkClosePort);
    case kOrdinalLinkReceive:
        return reinterpret_cast<void*>(&LinkReceive);
    case kOrdinalLinkSend:
        return reinterpret_cast<void*>(&LinkSend);
    case kOrdinalLinkVersion:
        return reinterpret_cast<void*>(&LinkVersion);
    case kOrdinalLinkDate:
        return reinterpret_cast<void*>(&LinkDate);
    case kOrdinalLinkCancel:
        return reinterpret_cast<void*>(&LinkCancel);
    case kOrdinalLinkPortError:
        return reinterpret_cast<void*>(&LinkPortError);
    case kOrdinalLinkPortErrorReason:
        return reinterpret_cast<void*>(&LinkPortErrorReason);
    case kOrdinalLinkOpenDevice:
        return reinterpret_cast<void*>(&LinkOpenDevice);
    default:
        return nullptr;
    }
}

} // extern "C"
