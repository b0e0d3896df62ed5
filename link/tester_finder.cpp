// The search for the tester, one device at a time on a link of its own.
#include "link/tester_finder.h"

#include "link/link_api.h"
#include "linklib/link_event.h"
#include "linklib/protocol.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

namespace {

// True when a program that keeps the old lock-file convention (a terminal, a modem tool) holds
// `device`: "LCK..<name>" in the lock folder names a process that still runs.
bool LockedByFile(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QString name = QFileInfo(target.isEmpty() ? device : target).fileName();
    for (const char* folder : {"/run/lock/", "/var/lock/"}) {
        QFile lock(QString::fromLatin1(folder) + "LCK.." + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const long pid = QString::fromLatin1(lock.read(64)).trimmed().toLong(&ok);
        if (ok && pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM))
            return true;
    }
    return false;
}

} // namespace

TesterFinder::TesterFinder(LinkApi& api, LinkClock& clock, QObject* parent)
    : QObject(parent), api_(api), wait_(clock.CreateTimer([this] { Conclude(Outcome::Silent); }))
{
    setObjectName(QStringLiteral("TesterFinder"));
}

TesterFinder::~TesterFinder()
{
    Stop();
}

bool TesterFinder::Start(const QStringList& devices)
{
    if (running_)
        return false;
    linkId_ = api_.Init(this, 0);
    if (linkId_ < 0)
        return false;
    running_ = true;
    devices_ = devices;
    next_ = 0;
    results_.clear();
    // Every signal comes from the event loop, never from inside Start.
    QTimer::singleShot(0, this, [this] { Next(); });
    return true;
}

void TesterFinder::Stop()
{
    if (!running_)
        return;
    wait_->Stop();
    if (open_)
        api_.ClosePort(linkId_);
    open_ = false;
    api_.Release(linkId_);
    linkId_ = -1;
    running_ = false;
}

QStringList TesterFinder::Answered() const
{
    QStringList out;
    for (const Result& r : results_)
        if (r.outcome == Outcome::Answered)
            out << r.device;
    return out;
}

void TesterFinder::Next()
{
    if (!running_)
        return;
    if (next_ >= devices_.size()) {
        Stop();
        emit Finished();
        return;
    }
    current_ = devices_[next_++];
    emit Trying(current_);
    if (!ownDevice_.isEmpty() && SameDevice(current_, ownDevice_))
        return Conclude(Outcome::OwnPort);
    if (LockedByFile(current_))
        return Conclude(Outcome::Busy);

    unsigned char area[8] = {};
    if (api_.OpenDevice(linkId_, QFile::encodeName(current_).toStdString(), proto::kBaudRate,
                        area) == 0) {
        switch (proto::PortReason(api_.PortErrorReason(linkId_))) {
        case proto::PortReason::kMissing:
            return Conclude(Outcome::Missing);
        case proto::PortReason::kBusy:
            return Conclude(Outcome::Busy);
        case proto::PortReason::kNoPermission:
            return Conclude(Outcome::NoPermission);
        case proto::PortReason::kNotSerial:
            return Conclude(Outcome::NotSerial);
        default:
            return Conclude(Outcome::Failed, api_.PortError(linkId_));
        }
    }
    open_ = true;
    std::uint8_t frame[proto::kFrameSize] = {};
    const int n = proto::BuildFrame(proto::kRequestSync, nullptr, 0, std::uint8_t(linkId_), frame);
    if (api_.Send(this, linkId_, frame, n + 1) != 1)
        return Conclude(Outcome::Missing);
    wait_->Start(waitMs_);
}

void TesterFinder::Conclude(Outcome outcome, std::string detail)
{
    wait_->Stop();
    if (open_) {
        api_.Cancel(linkId_);
        api_.ClosePort(linkId_);
        open_ = false;
    }
    Result result{current_, outcome, std::move(detail)};
    results_.push_back(result);
    emit Tried(result);
    QTimer::singleShot(0, this, [this] { Next(); });
}

void TesterFinder::TakeFrames()
{
    unsigned char frame[proto::kFrameSize];
    int length = 0;
    QObject* window = nullptr;
    while (open_ && api_.Receive(&window, linkId_, frame, &length) == 1)
        if (window == this)
            return Conclude(Outcome::Answered);
}

bool TesterFinder::event(QEvent* event)
{
    if (event->type() != LinkMessageEvent::eventType())
        return QObject::event(event);
    if (static_cast<LinkMessageEvent*>(event)->wParam == proto::kEventFrameArrived)
        TakeFrames();
    return true;
}

int DeviceStateText(SerialDevice::State state)
{
    switch (state) {
    case SerialDevice::State::Present:
        return 16;
    case SerialDevice::State::Missing:
        return 17;
    case SerialDevice::State::NoPermission:
        return 18;
    }
    return 16;
}

int FinderOutcomeText(TesterFinder::Outcome outcome)
{
    using Outcome = TesterFinder::Outcome;
    switch (outcome) {
    case Outcome::Answered:
        return 20;
    case Outcome::Silent:
        return 21;
    case Outcome::Busy:
        return 22;
    case Outcome::NoPermission:
        return DeviceStateText(SerialDevice::State::NoPermission);
    case Outcome::Missing:
        return DeviceStateText(SerialDevice::State::Missing);
    case Outcome::NotSerial:
        return 24;
    case Outcome::OwnPort:
        return 23;
    case Outcome::Failed:
        return 25;
    }
    return 25;
}
