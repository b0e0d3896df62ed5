// Setting the link up and tearing it down.
#include "link/link_session.h"

#include "core/app_config.h"
#include "core/texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>

namespace {

LinkSession* g_current = nullptr;

void ShowLinkError(int number)
{
    ShowMessage(AppConfig.textsPath.c_str(), "MESSAGGI_ERRORE", 1, "MESSAGGI_ERRORE", number,
                kStyleError, 0);
}

// Shows MESSAGGI_ERRORE `number` with `detail` (a system reason) on a line of its own.
void ShowLinkErrorWith(int number, const std::string& detail)
{
    if (detail.empty()) {
        ShowLinkError(number);
        return;
    }
    std::string title = GetText("MESSAGGI_ERRORE", 1, AppConfig.textsPath.c_str());
    if (title == kTextNotFound)
        title = "Title not present !";
    std::string text = GetText("MESSAGGI_ERRORE", number, AppConfig.textsPath.c_str());
    if (text == kTextNotFound)
        text = "Message not present !";
    ShowMessageText(AppConfig.textsPath.c_str(), title.c_str(), (text + "\n\n" + detail).c_str(),
                    kStyleError, 0);
}

void DefaultNotice(const std::string& text)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("VELANTO"),
                        QString::fromStdString(text), QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
        return;
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}

} // namespace

LinkSession::LinkSession(std::unique_ptr<LinkApi> api)
    : api_(std::move(api)), notice_(DefaultNotice)
{
}

LinkSession::~LinkSession()
{
    CloseLink();
    if (g_current == this)
        g_current = nullptr;
}

LinkSession* LinkSession::Current()
{
    return g_current;
}

int LinkSession::OpenLink(QObject* view)
{
    CloseLink();
    linkFailed_ = false;
    viewWindow_ = view;

    // The link window lives on the application's thread; without one it cannot exist.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        ShowLinkError(13);
        linkFailed_ = true;
        return -1;
    }
    if (!api_) {
        QString error;
        api_ = LoadLinkLibrary(&error);
        if (!api_) {
            ShowLinkErrorWith(10, error.toStdString());
            linkFailed_ = true;
            return -1;
        }
    }
    window_ = std::make_unique<LinkWindow>(*api_);
    window_->SetViewWindow(view);
    open_ = true;
    g_current = this;

    linkId_ = api_->Init(window_.get(), 0);
    if (linkId_ < 0) {
        static const int kMessages[] = {10, 9, 8, 7}; // for -1, -2, -3, -4
        ShowLinkError(linkId_ >= -4 ? kMessages[-linkId_ - 1] : 10);
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
    portOpen_ = api_->OpenPort(linkId_, 0, port, kLinkBaudRate, area) != 0;
    if (!portOpen_)
        ShowLinkErrorWith(2, api_->PortError(linkId_));
    return portOpen_;
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
        // Closing from inside one of the window's own waits: let the wait unwind first.
        if (window_->Waiting())
            window_.release()->deleteLater();
        window_.reset();
    }
    if (!linkFailed_ && api_->Release(linkId_) == 0)
        ShowLinkError(6);
    if (g_current == this)
        g_current = nullptr;
}

bool LinkSession::ReopenPort(int port)
{
    if (!open_ || linkFailed_ || port == port_)
        return false;
    AppConfig.comPort = std::uint8_t(port);
    if (portOpen_)
        api_->ClosePort(linkId_);
    OpenPort(port);
    const std::string notice = GetText("MESSAGGI_ERRORE", 55, AppConfig.textsPath.c_str());
    if (notice_)
        notice_(notice);
    return true;
}

int BuildRequest(int type, const std::uint8_t* data, int length)
{
    LinkSession* s = LinkSession::Current();
    return s && s->Window() ? s->Window()->BuildRequest(type, data, length) : 0;
}

int SendRequest(QObject* requester)
{
    LinkSession* s = LinkSession::Current();
    return s && s->Window() ? s->Window()->SendRequest(requester) : 0;
}

int EndExchange()
{
    LinkSession* s = LinkSession::Current();
    return s && s->Window() ? s->Window()->EndExchange() : 1;
}

int RetryNow()
{
    LinkSession* s = LinkSession::Current();
    return s && s->Window() ? s->Window()->RetryNow() : 0;
}

const std::uint8_t* LinkResponse()
{
    LinkSession* s = LinkSession::Current();
    return s && s->Window() ? s->Window()->Response() : nullptr;
}
