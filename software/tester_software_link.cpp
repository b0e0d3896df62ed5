// The engine's requests as exchanges of the link service.
#include "software/tester_software_link.h"

#include "core/link_event.h"
#include "link/link_session.h"

TesterSoftwareLink::TesterSoftwareLink(LinkSession& session, QObject* parent)
    : QObject(parent), session_(session)
{
    setObjectName(QStringLiteral("TesterSoftwareLink"));
}

TesterSoftwareLink::~TesterSoftwareLink()
{
    CancelPending();
}

bool TesterSoftwareLink::Send(int type, const std::vector<std::uint8_t>& payload)
{
    if (session_.BuildRequest(type, payload.data(), int(payload.size())) == 0)
        return false;
    sent_ = session_.SendRequest(this) == 1;
    return sent_;
}

void TesterSoftwareLink::CancelPending()
{
    // Ends only our own exchange, and drops our requests still queued.
    if (sent_)
        session_.EndExchange(this);
    sent_ = false;
}

bool TesterSoftwareLink::event(QEvent* event)
{
    if (event->type() != LinkMessageEvent::eventType())
        return QObject::event(event);
    const auto* message = static_cast<LinkMessageEvent*>(event);
    // A timed-out exchange stays open on the link until it is ended.
    if (message->wParam != LinkTimeout)
        sent_ = false;
    if (engine_)
        engine_->OnAnswer(int(message->wParam),
                          reinterpret_cast<const std::uint8_t*>(message->frame.constData()),
                          int(message->frame.size()));
    return true;
}
