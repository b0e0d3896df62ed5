// Setting the link up and tearing it down, and the exchange primitives on its window.
#include "link/link_session.h"

#include "core/app_config.h"
#include "core/error_sink.h"
#include "core/texts.h"
#include "platform/serial_ports.h"

#include <QCoreApplication>
#include <QThread>

LinkSession::LinkSession(std::unique_ptr<LinkApi> api) : api_(std::move(api)) {}

LinkSession::~LinkSession()
{
    CloseLink();
}

int LinkSession::OpenLink(QObject* view)
{
    CloseLink();
    linkFailed_ = false;
    viewWindow_ = view;

    // The link window lives on the application's thread; without one it cannot exist.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        ReportError(kErrorSection, 13);
        linkFailed_ = true;
        return -1;
    }
    if (!api_) {
        QString error;
        api_ = LoadLinkLibrary(&error);
        if (!api_) {
            ReportError(kErrorSection, 10, error.toStdString());
            linkFailed_ = true;
            return -1;
        }
    }
    window_ = std::make_unique<LinkWindow>(*api_);
    window_->SetViewWindow(view);
    open_ = true;

    linkId_ = api_->Init(window_.get(), 0);
    if (linkId_ < 0) {
        static const int kMessages[] = {10, 9, 8, 7}; // for -1, -2, -3, -4
        ReportError(kErrorSection, linkId_ >= -4 ? kMessages[-linkId_ - 1] : 10);
        linkFailed_ = true;
        return -1;
    }
    window_->SetLinkId(linkId_);
    OpenPort(AppConfig.comPort);
    return 0;
}

bool LinkSession::OpenPort(int port)
{
    port_ = port;
    unsigned char area[8] = {};
    portOpen_ = api_->OpenPort(linkId_, 0, port, proto::kBaudRate, area) != 0;
    if (!portOpen_)
        ReportError(kErrorSection, 2, PortFailure(port));
    return portOpen_;
}

std::string LinkSession::PortFailure(int port) const
{
    // The common reasons in the user's language; the rare ones in the library's own words.
    constexpr int kFirstReasonText = 60; // 60 missing, 61 busy, 62 no permission
    const int reason = api_->PortErrorReason(linkId_);
    if (reason >= int(proto::PortReason::kMissing) &&
        reason <= int(proto::PortReason::kNoPermission)) {
        const std::string text = GetText(kErrorSection, kFirstReasonText + reason - 1,
                                         AppConfig.textsPath.c_str());
        if (text != kTextNotFound)
            return FormatWithPath(text, SerialDeviceForPort(port, AppConfig.profilePath.c_str()));
    }
    return api_->PortError(linkId_);
}

void LinkSession::CloseLink()
{
    if (!open_)
        return;
    open_ = false;
    if (portOpen_)
        api_->ClosePort(linkId_);
    portOpen_ = false;
    if (window_) {
        window_->Shutdown();
        // Closing from inside one of the window's own handlers (a report's box may run one):
        // let it return first.
        if (window_->Handling())
            window_.release()->deleteLater();
        window_.reset();
    }
    if (!linkFailed_ && api_->Release(linkId_) == 0)
        ReportError(kErrorSection, 6);
}

bool LinkSession::ReopenPort(int port)
{
    if (!open_ || linkFailed_ || port == port_)
        return false;
    AppConfig.comPort = std::uint8_t(port);
    if (portOpen_)
        api_->ClosePort(linkId_);
    OpenPort(port);
    ErrorReport notice;
    notice.number = 55;
    notice.style = kStyleNotice;
    ReportError(notice);
    return true;
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
