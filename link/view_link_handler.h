// The main view's part in the link, without widgets: library event 4, time-outs of its own
// requests, and the tester's code-27 answers, which it acknowledges with type-42 requests.
//
//   ViewLinkHandler handler(session, view);   // watches LinkMessageEvents sent to `view`
//   connect(&handler, &ViewLinkHandler::MaximizeRequested, mainWindow, &QWidget::showMaximized);
//   connect(&handler, &ViewLinkHandler::Failed, &boxes, &ErrorBoxes::Show);
#pragma once

#include "core/messages.h"

#include <QObject>
#include <QPointer>

class LinkSession;

class ViewLinkHandler : public QObject
{
    Q_OBJECT

public:
    // Handles the link messages that reach `view` (it filters the view's events).
    ViewLinkHandler(LinkSession& session, QObject* view);

    // Handles one link message at the view; `status` is byte 7 of its frame (-1: none).
    // Returns true for the ones the view acts on.
    bool HandleLinkMessage(long long first, int status = -1);

    int RepeatCounter() const { return repeat_; }

signals:
    void MaximizeRequested();
    // A failure the user must see: no answer (12), a request that could not be sent (15), the
    // tester repeating itself (GENERIC_STRING 7) or an unexpected status (29).
    void Failed(const ErrorReport& report);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCode27(int value);

    LinkSession& session_;
    QPointer<QObject> view_;
    int repeat_ = 0;
};
