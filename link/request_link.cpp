// Engines' requests as exchanges of the link service.
#include "link/request_link.h"

#include "link/link_session.h"
#include "linklib/link_event.h"

SessionRequestLink::SessionRequestLink(LinkSession& session, QObject* parent)
    : RequestLink(parent), session_(session)
{
    setObjectName(QStringLiteral("SessionRequestLink"));
}

SessionRequestLink::~SessionRequestLink()
{
    EndExchange();
}

bool SessionRequestLink::Send(int type, const std::vector<std::uint8_t>& payload)
{
    return session_.BuildRequest(type, payload.data(), int(payload.size())) == 1 &&
           session_.SendRequest(this) == 1;
}

bool SessionRequestLink::Retry()
{
    return session_.RetryNow(this) == 1;
}

void SessionRequestLink::EndExchange()
{
    // Ends only our own exchange, and drops our requests still queued.
    session_.EndExchange(this);
}

bool SessionRequestLink::event(QEvent* event)
{
    if (event->type() != LinkMessageEvent::eventType())
        return RequestLink::event(event);
    const auto* message = static_cast<LinkMessageEvent*>(event);
    emit Answered(int(message->wParam), message->frame);
    return true;
}
