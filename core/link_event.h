// The event that carries a link notification (the design's window message 1624) to a QObject.
#pragma once

#include <QEvent>

inline constexpr int LinkMessage = 1624;
inline constexpr int LinkTimeout = 1500;

// Posted with QCoreApplication::postEvent; both parameters travel with it.
class LinkMessageEvent : public QEvent
{
public:
    static QEvent::Type eventType() { return QEvent::Type(QEvent::User + LinkMessage); }

    LinkMessageEvent(long long wParam, long long lParam)
        : QEvent(eventType()), wParam(wParam), lParam(lParam)
    {
    }

    const long long wParam;
    const long long lParam;
};
