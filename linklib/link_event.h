// The event that carries a link notification (the design's window message 1624) to a QObject:
// from the link library to the link window (an event number), and from the link to a
// requester (an answer's code, with the answer frame, or LinkTimeout / LinkSendFailed).
#pragma once

#include "linklib/protocol.h"

#include <QByteArray>
#include <QEvent>

// Posted with QCoreApplication::postEvent; both parameters travel with it.
class LinkMessageEvent : public QEvent
{
public:
    static QEvent::Type eventType() { return QEvent::Type(QEvent::User + LinkMessage); }

    LinkMessageEvent(long long wParam, long long lParam, QByteArray frame = {})
        : QEvent(eventType()), wParam(wParam), lParam(lParam), frame(std::move(frame))
    {
    }

    // Byte `offset` of the answer frame, or -1 when the frame is shorter.
    int Byte(int offset) const
    {
        return offset >= 0 && offset < frame.size() ? int(std::uint8_t(frame[offset])) : -1;
    }
    // The answer's status (byte 7), or -1 when it has none.
    int Status() const { return Byte(proto::kOffsetStatus); }

    const long long wParam;
    const long long lParam;
    // The answer as it arrived, for answers to a request; empty otherwise.
    const QByteArray frame;
};
