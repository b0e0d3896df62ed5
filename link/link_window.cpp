// Exchanges with the tester: building, sending or queueing, retrying and ending them.
#include "link/link_window.h"

#include "core/messages.h"
#include "link/link_api.h"
#include "linklib/link_event.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

void Post(QObject* target, long long first, QByteArray frame = {})
{
    if (target)
        QCoreApplication::postEvent(target, new LinkMessageEvent(first, 0, std::move(frame)));
}

} // namespace

LinkWindow::LinkWindow(LinkApi& api, LinkClock& clock, QObject* parent)
    : QObject(parent), api_(api), retryTimer_(clock.CreateTimer([this] { OnRetryTimer(); }))
{
    setObjectName(QStringLiteral("LinkWindow"));
}

LinkWindow::~LinkWindow()
{
    Shutdown();
}

void LinkWindow::Shutdown()
{
    closed_ = true;
    retryTimer_->Stop();
    queue_.clear();
    ending_ = false;
}

int LinkWindow::BuildRequest(int type, const std::uint8_t* data, int length)
{
    if (closed_)
        return 0;
    built_.requester = nullptr;
    built_.type = std::uint8_t(type);
    built_.attempt = 1;
    const int n = proto::BuildFrame(type, data, length, std::uint8_t(linkId_ & 0xFF), built_.frame);
    if (n < 0) {
        built_.frameLength = 0;
        emit Failed(ErrorReport(ErrorText::kBadRequest));
        return 0;
    }
    const proto::RequestType* row = proto::FindRequestType(type);
    built_.frameLength = n;
    built_.maxAttempts = row->attempts;
    built_.timeout = attemptTimeoutLimitMs_ > 0 ? std::min(row->timeoutMs, attemptTimeoutLimitMs_)
                                                : row->timeoutMs;
    return 1;
}

int LinkWindow::Send()
{
    if (lineDown_)
        return 0;
    return api_.Send(current_.requester, linkId_, current_.frame, current_.frameLength + 1);
}

bool LinkWindow::Start(Exchange&& exchange)
{
    current_ = std::move(exchange);
    busy_ = true;
    pending_ = true;
    if (Send() == 1) {
        retryTimer_->Start(current_.timeout);
        return true;
    }
    busy_ = false;
    pending_ = false;
    return false;
}

int LinkWindow::SendRequest(QObject* requester)
{
    if (closed_ || built_.frameLength == 0)
        return 0;
    if (lineDown_) {
        built_.frameLength = 0;
        return 0;
    }
    Exchange exchange = std::move(built_);
    built_.frameLength = 0;
    exchange.requester = requester;
    if (busy_ || !queue_.empty()) {
        queue_.push_back(std::move(exchange));
        return 1;
    }
    return Start(std::move(exchange)) ? 1 : 0;
}

int LinkWindow::Queued(const QObject* requester) const
{
    if (!requester)
        return int(queue_.size());
    return int(std::count_if(queue_.begin(), queue_.end(),
                             [&](const Exchange& e) { return e.requester == requester; }));
}

void LinkWindow::Release()
{
    busy_ = false;
    if (queue_.empty() || nextScheduled_)
        return;
    // Posted after the answer or time-out just posted, so that its requester runs first.
    nextScheduled_ = true;
    QMetaObject::invokeMethod(this, &LinkWindow::SendNext, Qt::QueuedConnection);
}

void LinkWindow::SendNext()
{
    nextScheduled_ = false;
    while (!busy_ && !closed_ && !queue_.empty()) {
        Exchange next = std::move(queue_.front());
        queue_.pop_front();
        if (!next.requester)
            continue; // its requester is gone: nothing to send for it
        QPointer<QObject> requester = next.requester;
        if (!Start(std::move(next)))
            Post(requester, LinkSendFailed);
    }
}

int LinkWindow::EndExchange(QObject* requester)
{
    if (requester) {
        std::erase_if(queue_, [&](const Exchange& e) { return e.requester == requester; });
        if (current_.requester != requester)
            return 1; // the line is someone else's
    }
    if (!pending_ || closed_ || ending_)
        return 1;
    if (lineDown_) {
        // No late answer can come from a device that has gone.
        retryTimer_->Stop();
        api_.Cancel(linkId_);
        pending_ = false;
        Release();
        return 1;
    }
    // A late answer or the short timer ends the exchange (FinishEnd); neither is handled as
    // usual. Until then the line stays held.
    ending_ = true;
    busy_ = true;
    retryTimer_->Start(proto::kEndExchangeMs);
    current_.attempt = current_.maxAttempts;
    return 1;
}

void LinkWindow::FinishEnd()
{
    ending_ = false;
    retryTimer_->Stop();
    api_.Cancel(linkId_);
    pending_ = false;
    Release();
}

int LinkWindow::RetryNow(QObject* requester)
{
    if (closed_ || ending_)
        return 0; // closed, or given up already
    if (requester && current_.requester != requester)
        return 0;
    retryTimer_->Stop();
    api_.Cancel(linkId_);
    if (current_.attempt >= current_.maxAttempts || current_.frameLength == 0) {
        pending_ = false;
        Release();
        return 0;
    }
    ++current_.attempt;
    // The resent frame is an exchange in flight like any other: other requests wait.
    busy_ = true;
    pending_ = true;
    if (Send() != 1) {
        ResendFailed();
        return 1; // the requester hears of it as LinkSendFailed
    }
    retryTimer_->Start(current_.timeout);
    return 1;
}

void LinkWindow::OnRetryTimer()
{
    retryTimer_->Stop();
    if (ending_) {
        FinishEnd();
        return;
    }
    if (current_.attempt >= current_.maxAttempts) {
        Post(current_.requester, LinkTimeout);
        Release(); // pending stays set until EndExchange
        return;
    }
    ++current_.attempt;
    if (Send() != 1) {
        ResendFailed();
        return;
    }
    retryTimer_->Start(current_.timeout);
}

void LinkWindow::ResendFailed()
{
    // The line has gone (adapter unplugged, port closed): waiting out the remaining attempts
    // would only tell the requester "no answer" long after it could know.
    retryTimer_->Stop();
    api_.Cancel(linkId_);
    pending_ = false;
    Post(current_.requester, LinkSendFailed);
    Release();
}

bool LinkWindow::event(QEvent* event)
{
    if (event->type() == LinkMessageEvent::eventType()) {
        OnLibraryEvent(static_cast<LinkMessageEvent*>(event)->wParam);
        return true;
    }
    return QObject::event(event);
}

void LinkWindow::OnLibraryEvent(long long event)
{
    if (event == proto::kEventFrameArrived && ending_) {
        FinishEnd(); // the answer EndExchange waited for; it is cancelled, not delivered
        return;
    }
    switch (event) {
    case proto::kEventShowView:
        emit ViewShowRequested();
        break;
    case proto::kEventDeactivateView:
        emit ViewDeactivateRequested();
        break;
    case proto::kEventFrameArrived:
        OnFrameArrived();
        break;
    case proto::kEventMaximize:
        Post(viewWindow_, proto::kEventMaximize);
        break;
    case proto::kEventDeviceLost:
        OnDeviceLost();
        break;
    default:
        emit Failed(ErrorReport(ErrorText::kUnknownEvent));
        break;
    }
}

void LinkWindow::OnDeviceLost()
{
    lineDown_ = true;
    if (ending_) {
        FinishEnd();
    } else if (pending_ && retryTimer_->Active()) {
        // Its answer cannot come any more: the requester learns it now, by the same code as
        // when every attempt goes unanswered, instead of after the attempts left.
        retryTimer_->Stop();
        current_.attempt = current_.maxAttempts;
        Post(current_.requester, LinkTimeout);
        Release(); // pending stays set until EndExchange
    }
    emit DeviceLost();
}

void LinkWindow::OnFrameArrived()
{
    QObject* window = nullptr;
    int length = 0;
    const int result = api_.Receive(&window, linkId_, response_, &length);
    if (result == 2)
        return; // the frame behind this notification was cancelled with its exchange
    if (result != 1) {
        retryTimer_->Stop();
        pending_ = false;
        Release();
        emit Failed(ErrorReport(ErrorText::kCannotReceive));
        return;
    }
    responseLength_ = std::clamp(length, 0, int(kFrameSize));
    QByteArray frame(reinterpret_cast<const char*>(response_), responseLength_);
    const int code = responseLength_ > proto::kOffsetCode ? response_[proto::kOffsetCode] : 0;
    if (!window) {
        // Not an answer to the exchange in progress (the tester spoke of its own accord): it is
        // the main view's, and the exchange in progress goes on untouched.
        Post(viewWindow_, code, std::move(frame));
        return;
    }
    if (window != current_.requester.data() || !pending_) {
        // A late answer to an earlier exchange, fetched after the next one began: it goes to
        // the window that asked (alive, or the library would not name it), and the exchange
        // in progress keeps its timer and its wait for its own answer.
        Post(window, code, std::move(frame));
        return;
    }
    retryTimer_->Stop();
    pending_ = false;
    Post(current_.requester, code, std::move(frame));
    Release();
}
