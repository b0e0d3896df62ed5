// Setting the link up and tearing it down, and the exchange primitives on its window.
#include "link/link_session.h"

#include "core/texts.h"
#include "core/workspace.h"
#include "platform/serial_ports.h"

#include <QCoreApplication>
#include <QThread>

LinkSession::LinkSession(const Workspace& workspace, std::unique_ptr<LinkApi> api, QObject* parent)
    : QObject(parent), workspace_(workspace), api_(std::move(api))
{
    setObjectName(QStringLiteral("LinkSession"));
}

LinkSession::~LinkSession()
{
    CloseLink();
}

int LinkSession::OpenLink(QObject* view, const PortTarget& target)
{
    CloseLink();
    linkFailed_ = false;
    viewWindow_ = view;

    // The link window lives on the application's thread; without one it cannot exist.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        emit Failed(ErrorReport(ErrorText::kNoLinkWindow));
        linkFailed_ = true;
        return -1;
    }
    if (!api_) {
        QString error;
        api_ = LoadLinkLibrary(&error);
        if (!api_) {
            emit Failed(ErrorReport(ErrorText::kLinkInitFailed1, error.toStdString()));
            linkFailed_ = true;
            return -1;
        }
    }
    window_ = std::make_unique<LinkWindow>(*api_, *clock_);
    window_->SetViewWindow(view);
    connect(window_.get(), &LinkWindow::Failed, this, &LinkSession::Failed);
    connect(window_.get(), &LinkWindow::DeviceLost, this, &LinkSession::OnDeviceLost);
    reopenTimer_ = clock_->CreateTimer([this] { TryReopen(); });
    open_ = true;

    linkId_ = api_->Init(window_.get(), 0);
    if (linkId_ < 0) {
        static const int kMessages[] = {ErrorText::kLinkInitFailed1, ErrorText::kLinkInitFailed2,
                                        ErrorText::kLinkInitFailed3, ErrorText::kLinkInitFailed4};
        emit Failed(ErrorReport(linkId_ >= -4 ? kMessages[-linkId_ - 1]
                                              : int(ErrorText::kLinkInitFailed1)));
        linkFailed_ = true;
        return -1;
    }
    window_->SetLinkId(linkId_);
    OpenPort(target, DeviceFor(target));
    return 0;
}

std::string LinkSession::DeviceFor(const PortTarget& target) const
{
    return target.com > 0 ? SerialDeviceForPort(target.com, workspace_.profilePath.c_str())
                          : target.device;
}

bool LinkSession::OpenPort(const PortTarget& target, const std::string& device, bool report)
{
    port_ = target;
    device_ = device;
    if (!OpenDevice(device) && report)
        emit Failed(ErrorReport(ErrorText::kPortNotOpened, PortFailure(device)));
    return portOpen_;
}

bool LinkSession::OpenDevice(const std::string& device)
{
    unsigned char area[8] = {};
    portOpen_ = api_->OpenDevice(linkId_, device, proto::kBaudRate, area) != 0;
    if (portOpen_ && window_)
        window_->SetLineDown(false);
    return portOpen_;
}

void LinkSession::OnDeviceLost()
{
    if (!portOpen_)
        return;
    portOpen_ = false;
    api_->ClosePort(linkId_); // closed by the library already; this also lets its watchers go
    // The device as it was opened (device_): the profile may name another by now, and the port
    // chosen stays the one used.
    reconnecting_ = true;
    reopenTimer_->Start(proto::kReopenMs);
    emit Disconnected(QString::fromStdString(device_));
}

void LinkSession::TryReopen()
{
    if (!reconnecting_ || !open_)
        return;
    if (!OpenDevice(device_)) {
        reopenTimer_->Start(proto::kReopenMs);
        return;
    }
    reconnecting_ = false;
    emit Reconnected(QString::fromStdString(device_));
}

void LinkSession::StopReconnecting()
{
    reconnecting_ = false;
    if (reopenTimer_)
        reopenTimer_->Stop();
}

std::string PortReasonText(const Workspace& workspace, proto::PortReason reason,
                           const std::string& device)
{
    if (reason < proto::PortReason::kMissing || reason > proto::PortReason::kNoPermission)
        return {};
    const std::string text = workspace.Text(kErrorSection, ErrorText::kPortMissing + int(reason) -
                                                               int(proto::PortReason::kMissing));
    return text != kTextNotFound ? FillText(text, {device}) : std::string();
}

std::string LinkSession::PortFailure(const std::string& device) const
{
    // The common reasons in the user's language; the rare ones in the library's own words.
    const std::string text =
        PortReasonText(workspace_, proto::PortReason(api_->PortErrorReason(linkId_)), device);
    return text.empty() ? api_->PortError(linkId_) : text;
}

void LinkSession::CloseLink()
{
    if (!open_)
        return;
    open_ = false;
    StopReconnecting();
    reopenTimer_.reset();
    if (portOpen_)
        api_->ClosePort(linkId_);
    portOpen_ = false;
    if (window_) {
        window_->Shutdown();
        window_.reset();
    }
    if (!linkFailed_ && api_->Release(linkId_) == 0)
        emit Failed(ErrorReport(ErrorText::kLinkNotReleased));
}

LinkSession::Reopen LinkSession::ReopenPort(const PortTarget& target)
{
    const std::string device = DeviceFor(target);
    if (!open_ || linkFailed_ || (target == port_ && device == device_))
        return Reopen::Unchanged;
    StopReconnecting(); // the port chosen is the only one used
    const PortTarget previous = port_;
    const std::string previousDevice = device_;
    const bool wasOpen = portOpen_;
    if (portOpen_)
        api_->ClosePort(linkId_);
    if (OpenPort(target, device, false))
        return Reopen::Opened;
    const std::string why = PortFailure(device);
    // The device that worked stays in use, and the user is told so, not that there is none.
    if (wasOpen && OpenPort(previous, previousDevice, false)) {
        emit Failed(ErrorReport(ErrorText::kChosenPortNotOpened, why));
        return Reopen::Kept;
    }
    port_ = target;
    device_ = device;
    emit Failed(ErrorReport(ErrorText::kNoPortOpen, why));
    return Reopen::NoPort;
}

int LinkSession::BuildRequest(int type, const std::uint8_t* data, int length)
{
    return window_ ? window_->BuildRequest(type, data, length) : 0;
}

int LinkSession::SendRequest(QObject* requester)
{
    return window_ ? window_->SendRequest(requester) : 0;
}

int LinkSession::EndExchange(QObject* requester)
{
    return window_ ? window_->EndExchange(requester) : 1;
}

int LinkSession::RetryNow(QObject* requester)
{
    return window_ ? window_->RetryNow(requester) : 0;
}

bool LinkSession::Busy() const
{
    return window_ && window_->Busy();
}
