// The hidden link window: it receives the link library's notifications, owns the retry timer
// (timer 10) and runs one request/answer exchange at a time on behalf of a requesting QObject.
//
// A requester (a dialog, or a widget-free state machine such as the transfer engine) does
//     window.BuildRequest(type, data, length);   // waits, dispatching events, while busy
//     window.SendRequest(this);                  // 1 sent, 0 not sent (show message 15)
// and then receives a LinkMessageEvent (core/link_event.h) whose wParam is the answer's code,
// its bytes in window.Response(), or LinkTimeout (1500) when every attempt went unanswered.
// RetryNow() sends the same frame again; EndExchange() gives the exchange up.
// Everything runs on the application's thread; only QCoreApplication is needed.
#pragma once

#include "link/request_table.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <vector>

class LinkApi;
class QEventLoop;

class LinkWindow : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRetryTimerId = 10;
    static constexpr int kEndExchangeMs = 300;

    explicit LinkWindow(LinkApi& api, QObject* parent = nullptr);
    ~LinkWindow() override;

    void SetLinkId(int linkId) { linkId_ = linkId; }
    void SetViewWindow(QObject* view) { viewWindow_ = view; }
    QObject* ViewWindow() const { return viewWindow_; }

    // Builds the frame of request `type`. Waits, dispatching events, while an exchange is busy.
    // Returns 1, or 0 for a refused type (message 14 shown) or when the link closed meanwhile.
    int BuildRequest(int type, const std::uint8_t* data = nullptr, int length = 0);
    // Sends the built frame for `requester` and starts the retry timer. Returns 1 or 0.
    int SendRequest(QObject* requester);
    // Gives up the exchange in progress (after a short wait for a late answer) and cancels it
    // in the library. Always returns 1.
    int EndExchange();
    // Sends the same frame again at once. Returns 1, or 0 when no attempt is left.
    int RetryNow();

    // Ends every wait and refuses further requests: the link is closing.
    void Shutdown();
    // True while BuildRequest or EndExchange waits, dispatching events.
    bool Waiting() const { return waits_ > 0; }

    bool Busy() const { return busy_; }
    bool Pending() const { return pending_; }
    std::uint8_t Attempt() const { return attempt_; }
    std::uint8_t MaxAttempts() const { return maxAttempts_; }
    std::uint8_t RequestType() const { return requestType_; }
    int FrameLength() const { return frameLength_; }
    int Timeout() const { return timeout_; }
    QObject* Requester() const { return requester_; }
    const std::uint8_t* Request() const { return request_; }
    // The last frame the library delivered; answers are read here (byte 6 code, byte 7 on).
    const std::uint8_t* Response() const { return response_; }
    int ResponseLength() const { return responseLength_; }

signals:
    // The exchange is over (busy cleared): a waiting BuildRequest may go on.
    void Idle();
    // Library events 1 and 2, after the view widget (if any) was shown or deactivated.
    void ViewShowRequested();
    void ViewDeactivateRequested();

protected:
    bool event(QEvent* event) override;

private:
    void OnLibraryEvent(long long event);
    void OnFrameArrived();
    void OnRetryTimer();
    void SetIdle();
    // Ends the exchange that EndExchange waits for: cancelled in the library, link idle.
    void FinishEnd();
    // Lets every wait of EndExchange return.
    void StopEndWaits();
    int Send();

    LinkApi& api_;
    int linkId_ = 0;
    QPointer<QObject> viewWindow_;
    QTimer retryTimer_;

    bool busy_ = false;
    bool pending_ = false;
    bool closed_ = false;
    std::uint8_t attempt_ = 1;
    std::uint8_t maxAttempts_ = 3;
    std::uint8_t requestType_ = 0;
    int frameLength_ = 0;
    int timeout_ = 4000;
    QPointer<QObject> requester_;
    std::uint8_t request_[kFrameSize] = {};
    std::uint8_t response_[kFrameSize] = {};
    int responseLength_ = 0;

    bool ending_ = false;               // EndExchange waits for a tick or a late answer
    std::vector<QEventLoop*> endWaits_; // the waits of EndExchange, nested ones included
    int waits_ = 0;
};
