// The hidden link window: it receives the link library's notifications, owns the retry timer
// (timer 10) and runs the request/answer exchanges, one on the line at a time, for requesting
// QObjects. Nothing here waits: a request made while an exchange is in flight is queued (first
// in, first out) and sent when the line is free.
//
//   window.BuildRequest(type, data, length);   // 1 built, 0 refused (Failed: message 14)
//   window.SendRequest(this);                  // 1 sent or queued, 0 not sent
//
// The requester then receives a LinkMessageEvent (linklib/link_event.h) whose wParam is the
// answer's code with the answer in its frame, or LinkTimeout (1500) when every attempt went
// unanswered, or LinkSendFailed when the library refused a queued request at its turn. The
// answer reaches its requester before the next queued request is sent, so the requester may
// still RetryNow() the same frame. EndExchange() gives the exchange up: the line stays held for
// up to 300 ms for a late answer, then the exchange is cancelled in the library. When the
// library's device goes away, the exchange on the line is answered LinkTimeout at once, as if
// its attempts had run out. Everything runs on the application's thread; only QCoreApplication
// is needed.
#pragma once

#include "core/messages.h"
#include "link/link_clock.h"
#include "linklib/protocol.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <memory>

class LinkApi;

inline constexpr int kFrameSize = int(proto::kFrameSize);

class LinkWindow : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRetryTimerId = 10;

    // The retry timer and the end-of-exchange wait run on `clock`.
    explicit LinkWindow(LinkApi& api, LinkClock& clock = LinkClock::Real(),
                        QObject* parent = nullptr);
    ~LinkWindow() override;

    void SetLinkId(int linkId) { linkId_ = linkId; }
    void SetViewWindow(QObject* view) { viewWindow_ = view; }
    QObject* ViewWindow() const { return viewWindow_; }

    // Builds the frame of request `type` for the next SendRequest. Returns 1, or 0 for a
    // refused type (Failed with message 14) or a closed link.
    int BuildRequest(int type, const std::uint8_t* data = nullptr, int length = 0);
    // Sends the built frame for `requester`, or queues it while the line is held. Returns 1,
    // or 0 when nothing was built or the library refused a frame it could send at once.
    int SendRequest(QObject* requester);
    // Gives up the exchange in progress: after a late answer or 300 ms it is cancelled in the
    // library and the next queued request goes. Returns 1 at once. With `requester`, only
    // that requester's exchange is given up and its queued requests are dropped.
    int EndExchange(QObject* requester = nullptr);
    // Sends the same frame again at once. Returns 1, or 0 when no attempt is left. With
    // `requester`, only when the last exchange is that requester's. A resend the library
    // refuses (this one or the timer's) ends the exchange with LinkSendFailed at once.
    int RetryNow(QObject* requester = nullptr);

    // Tests on a simulated lossy line: no attempt waits longer than `ms` (0: each request
    // type's own time-out). Applies to requests built from now on.
    void SetAttemptTimeoutLimit(int ms) { attemptTimeoutLimitMs_ = ms; }

    // Refuses further requests and drops the queued ones: the link is closing.
    void Shutdown();

    // The library's device has gone away (event 256) and is not open again yet: requests are
    // refused at once, and an exchange given up ends without waiting for a late answer. The
    // session clears it once the device is open again.
    bool LineDown() const { return lineDown_; }
    void SetLineDown(bool down) { lineDown_ = down; }

    // The line is held: an exchange is in flight or being ended.
    bool Busy() const { return busy_; }
    // An answer is awaited, or a timed-out exchange was not yet ended.
    bool Pending() const { return pending_; }
    // Requests waiting for the line; with `requester`, only that requester's.
    int Queued(const QObject* requester = nullptr) const;
    std::uint8_t Attempt() const { return current_.attempt; }
    std::uint8_t MaxAttempts() const { return current_.maxAttempts; }
    std::uint8_t RequestType() const { return current_.type; }
    int FrameLength() const { return current_.frameLength; }
    int Timeout() const { return current_.timeout; }
    QObject* Requester() const { return current_.requester; }
    // The frame of the exchange in flight (or last sent).
    const std::uint8_t* Request() const { return current_.frame; }
    // The last frame the library delivered (byte 6 code, byte 7 on the result).
    const std::uint8_t* Response() const { return response_; }
    int ResponseLength() const { return responseLength_; }

signals:
    // A failure the user must see: an unlisted request type (14), an answer that could not be
    // received (16), an unknown library event (42).
    void Failed(const ErrorReport& report);
    // Library events 1 and 2: the view is to be focused and shown, or deactivated and shown
    // without activating it.
    void ViewShowRequested();
    void ViewDeactivateRequested();
    // Library event 256: the device has gone away and the library has closed it. The exchange on
    // the line has been answered LinkTimeout already.
    void DeviceLost();

protected:
    bool event(QEvent* event) override;

private:
    struct Exchange
    {
        QPointer<QObject> requester;
        std::uint8_t type = 0;
        std::uint8_t attempt = 1;
        std::uint8_t maxAttempts = 3;
        int timeout = 4000;
        int frameLength = 0; // the frame's length field; 0: nothing built
        std::uint8_t frame[kFrameSize] = {};
    };

    void OnLibraryEvent(long long event);
    void OnFrameArrived();
    void OnRetryTimer();
    void OnDeviceLost();
    // Puts `exchange` on the line. Returns false when the library refused it (line left free).
    bool Start(Exchange&& exchange);
    // The line is free again: the next queued request goes once the requester that was just
    // answered has had its turn.
    void Release();
    void SendNext();
    // Ends the exchange that EndExchange gave up: cancelled in the library, line free.
    void FinishEnd();
    void ResendFailed();
    int Send();

    LinkApi& api_;
    int linkId_ = 0;
    QPointer<QObject> viewWindow_;
    std::unique_ptr<LinkClock::Timer> retryTimer_;

    bool busy_ = false;
    bool pending_ = false;
    bool ending_ = false;
    bool closed_ = false;
    bool lineDown_ = false;
    bool nextScheduled_ = false;
    int attemptTimeoutLimitMs_ = 0;
    Exchange built_;   // built, not yet sent
    Exchange current_; // on the line, or last on it
    std::deque<Exchange> queue_;
    std::uint8_t response_[kFrameSize] = {};
    int responseLength_ = 0;
};
