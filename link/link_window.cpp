// Exchanges with the tester: building, sending, retrying and ending them.
#include "link/link_window.h"

#include "core/app_config.h"
#include "core/link_event.h"
#include "core/texts.h"
#include "link/link_api.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>

#include <algorithm>

namespace {

void ShowLinkError(int number)
{
    ShowMessage(AppConfig.textsPath.c_str(), "MESSAGGI_ERRORE", 1, "MESSAGGI_ERRORE", number,
                kStyleError, 0);
}

void Post(QObject* target, long long first)
{
    if (target)
        QCoreApplication::postEvent(target, new LinkMessageEvent(first, 0));
}

} // namespace

LinkWindow::LinkWindow(LinkApi& api, QObject* parent) : QObject(parent), api_(api)
{
    setObjectName(QStringLiteral("LinkWindow"));
    retryTimer_.setSingleShot(true);
    // A coarse timer may fire 5% early, which would cut a slow tester's answer short.
    retryTimer_.setTimerType(Qt::PreciseTimer);
    connect(&retryTimer_, &QTimer::timeout, this, &LinkWindow::OnRetryTimer);
}

LinkWindow::~LinkWindow()
{
    Shutdown();
}

void LinkWindow::SetIdle()
{
    busy_ = false;
    emit Idle();
}

void LinkWindow::Shutdown()
{
    closed_ = true;
    retryTimer_.stop();
    StopEndWaits();
    emit Idle();
}

int LinkWindow::BuildRequest(int type, const std::uint8_t* data, int length)
{
    // One exchange at a time: wait for the one in progress, keeping the interface alive.
    while (busy_ && !closed_) {
        QEventLoop wait;
        connect(this, &LinkWindow::Idle, &wait, &QEventLoop::quit);
        ++waits_;
        wait.exec();
        --waits_;
    }
    if (closed_)
        return 0;

    requestType_ = std::uint8_t(type);
    busy_ = true;
    maxAttempts_ = 3;
    attempt_ = 1;
    timeout_ = 4000;
    const int n = BuildFrame(type, data, length, std::uint8_t(linkId_ & 0xFF), request_);
    if (n < 0) {
        SetIdle();
        ShowLinkError(14);
        return 0;
    }
    const ::RequestType* row = FindRequestType(type);
    frameLength_ = n;
    maxAttempts_ = row->attempts;
    timeout_ = row->timeoutMs;
    return 1;
}

int LinkWindow::Send()
{
    return api_.Send(requester_, linkId_, request_, frameLength_ + 1);
}

int LinkWindow::SendRequest(QObject* requester)
{
    if (closed_ || frameLength_ == 0)
        return 0;
    if (ending_) {
        // Sent while EndExchange waits (the exchange had timed out): the new request takes the
        // old one's place, and the wait must not take its answer or its timer.
        StopEndWaits();
        api_.Cancel(linkId_);
    }
    requester_ = requester;
    pending_ = true;
    if (Send() == 1) {
        retryTimer_.start(timeout_);
        return 1;
    }
    pending_ = false;
    SetIdle();
    return 0;
}

int LinkWindow::EndExchange()
{
    if (!pending_ || closed_)
        return 1;
    // A late answer or the short timer ends the exchange (FinishEnd); neither is handled as
    // usual. The exchange ends there and then, not when this wait unwinds: a handler running
    // inside the wait may itself wait for the link to become idle.
    ending_ = true;
    retryTimer_.start(kEndExchangeMs);
    attempt_ = maxAttempts_;
    QEventLoop wait;
    endWaits_.push_back(&wait);
    ++waits_;
    while (ending_ && !closed_)
        wait.exec();
    --waits_;
    endWaits_.erase(std::find(endWaits_.begin(), endWaits_.end(), &wait));
    return 1;
}

void LinkWindow::StopEndWaits()
{
    ending_ = false;
    for (QEventLoop* wait : endWaits_)
        wait->quit();
}

void LinkWindow::FinishEnd()
{
    StopEndWaits();
    retryTimer_.stop();
    api_.Cancel(linkId_);
    pending_ = false;
    SetIdle();
}

int LinkWindow::RetryNow()
{
    if (closed_)
        return 0;
    retryTimer_.stop();
    api_.Cancel(linkId_);
    if (attempt_ >= maxAttempts_) {
        SetIdle();
        return 0;
    }
    ++attempt_;
    // The resent frame is an exchange in flight like any other: keep other requests waiting.
    busy_ = true;
    pending_ = true;
    Send();
    retryTimer_.start(timeout_);
    return 1;
}

void LinkWindow::OnRetryTimer()
{
    retryTimer_.stop();
    if (ending_) {
        FinishEnd();
        return;
    }
    if (attempt_ >= maxAttempts_) {
        Post(requester_, LinkTimeout);
        SetIdle(); // pending stays set until EndExchange
        return;
    }
    ++attempt_;
    Send();
    retryTimer_.start(timeout_);
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
    if (event == 3 && ending_) {
        FinishEnd(); // the answer EndExchange waited for; it is cancelled, not delivered
        return;
    }
    QWidget* view = qobject_cast<QWidget*>(viewWindow_.data());
    switch (event) {
    case 1:
        if (view) {
            view->setFocus();
            view->show();
        }
        emit ViewShowRequested();
        break;
    case 2:
        if (view) {
            view->clearFocus();
            QEvent deactivate(QEvent::WindowDeactivate);
            QCoreApplication::sendEvent(view, &deactivate);
            view->setAttribute(Qt::WA_ShowWithoutActivating);
            view->show();
        }
        emit ViewDeactivateRequested();
        break;
    case 3:
        OnFrameArrived();
        break;
    case 4:
        Post(viewWindow_, 4);
        break;
    default:
        ShowLinkError(42);
        break;
    }
}

void LinkWindow::OnFrameArrived()
{
    QObject* window = nullptr;
    int length = 0;
    const int result = api_.Receive(&window, linkId_, response_, &length);
    if (result == 2)
        return; // the frame behind this notification was cancelled with its exchange
    if (result != 1) {
        retryTimer_.stop();
        pending_ = false;
        SetIdle();
        ShowLinkError(16);
        return;
    }
    responseLength_ = length;
    if (!window) {
        // Not an answer to the exchange in progress (the tester spoke of its own accord): it is
        // the main view's, and the exchange in progress goes on untouched.
        Post(viewWindow_, response_[6]);
        return;
    }
    if (window != requester_.data()) {
        // A late answer to an earlier exchange, fetched after the next one began: it goes to
        // the window that asked (alive, or the library would not name it), and the exchange
        // in progress keeps its timer and its wait for its own answer.
        Post(window, response_[6]);
        return;
    }
    retryTimer_.stop();
    pending_ = false;
    SetIdle();
    Post(requester_, response_[6]);
}
