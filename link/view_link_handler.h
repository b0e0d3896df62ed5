// The main view's part in the link, without widgets: library event 4, time-outs of its own
// requests, and the tester's code-27 answers, which it acknowledges with type-42 requests.
//
//   ViewLinkHandler handler(session, view);   // watches LinkMessageEvents sent to `view`
//   connect(&handler, &ViewLinkHandler::MaximizeRequested, mainWindow, &QWidget::showMaximized);
#pragma once

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCode27(int value);

    LinkSession& session_;
    QPointer<QObject> view_;
    int repeat_ = 0;
};
