// The main view's reactions to link messages.
#include "link/view_link_handler.h"

#include "core/app_config.h"
#include "core/link_event.h"
#include "core/texts.h"
#include "link/link_session.h"

namespace {

constexpr int kRepeatLimit = 4;

void ShowText(const char* section, int number)
{
    ShowMessage(AppConfig.textsPath.c_str(), "MESSAGGI_ERRORE", 1, section, number, kStyleError, 0);
}

} // namespace

ViewLinkHandler::ViewLinkHandler(LinkSession& session, QObject* view)
    : QObject(view), session_(session), view_(view)
{
    if (view)
        view->installEventFilter(this);
}

bool ViewLinkHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == LinkMessageEvent::eventType())
        return HandleLinkMessage(static_cast<LinkMessageEvent*>(event)->wParam);
    return QObject::eventFilter(watched, event);
}

bool ViewLinkHandler::HandleLinkMessage(long long first)
{
    switch (first) {
    case 4:
        emit MaximizeRequested();
        return true;
    case LinkTimeout:
        ShowText("MESSAGGI_ERRORE", 12);
        return true;
    case 27:
        OnCode27();
        return true;
    default:
        return false;
    }
}

void ViewLinkHandler::OnCode27()
{
    LinkWindow* window = session_.Window();
    const int value = window ? window->Response()[7] : -1;
    switch (value) {
    case 1: {
        ++repeat_;
        if (repeat_ >= kRepeatLimit) {
            repeat_ = 0;
            ShowText("GENERIC_STRING", 7);
            return;
        }
        const std::uint8_t payload = std::uint8_t(repeat_);
        if (!window->BuildRequest(42, &payload, 1) || !window->SendRequest(view_)) {
            repeat_ = 0;
            ShowText("MESSAGGI_ERRORE", 15);
        }
        return;
    }
    case 2:
    case 253:
        repeat_ = 0;
        return;
    default:
        repeat_ = 0;
        ShowText("MESSAGGI_ERRORE", 29);
        return;
    }
}
