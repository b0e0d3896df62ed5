// The main view's reactions to link messages.
#include "link/view_link_handler.h"

#include "link/link_session.h"
#include "link/link_window.h"
#include "linklib/link_event.h"

namespace {

constexpr int kRepeatLimit = 4;

} // namespace

ViewLinkHandler::ViewLinkHandler(LinkSession& session, QObject* view)
    : QObject(view), session_(session), view_(view)
{
    if (view)
        view->installEventFilter(this);
}

bool ViewLinkHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == LinkMessageEvent::eventType()) {
        const auto* message = static_cast<LinkMessageEvent*>(event);
        return HandleLinkMessage(message->wParam, message->Status());
    }
    return QObject::eventFilter(watched, event);
}

bool ViewLinkHandler::HandleLinkMessage(long long first, int status)
{
    switch (first) {
    case proto::kEventMaximize:
        emit MaximizeRequested();
        return true;
    case LinkTimeout:
        emit Failed(ErrorReport(ErrorText::kNoAnswer));
        return true;
    case LinkSendFailed:
        repeat_ = 0;
        emit Failed(ErrorReport(ErrorText::kCannotSend));
        return true;
    case proto::kAnswerTesterNotice:
        OnCode27(status);
        return true;
    default:
        return false;
    }
}

void ViewLinkHandler::OnCode27(int value)
{
    switch (value) {
    case 1: {
        ++repeat_;
        if (repeat_ >= kRepeatLimit) {
            repeat_ = 0;
            emit Failed(ErrorReport("GENERIC_STRING", 7));
            return;
        }
        // A tester repeating code 27 faster than the line carries the acknowledgements would
        // queue them for hours: one waiting for the line is enough.
        if (session_.Window() && session_.Window()->Queued(view_) > 0)
            return;
        const std::uint8_t payload = std::uint8_t(repeat_);
        if (!session_.BuildRequest(proto::kRequestAcknowledge, &payload, 1) ||
            !session_.SendRequest(view_)) {
            repeat_ = 0;
            emit Failed(ErrorReport(ErrorText::kCannotSend));
        }
        return;
    }
    case 2:
    case 253:
        repeat_ = 0;
        return;
    default:
        repeat_ = 0;
        emit Failed(ErrorReport(ErrorText::kUnexpectedAnswer));
        return;
    }
}
