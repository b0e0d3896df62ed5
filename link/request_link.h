// What an engine needs of the link: send a request on its own behalf, send the same frame
// again, give its exchange up; the answers come back by signal. The program's engines talk to
// the tester through a SessionRequestLink; their tests script one.
//
//   SessionRequestLink link(session);
//   CopyEngine engine(link, workspace);   // connects link.Answered to its own handler
#pragma once

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <vector>

class LinkSession;

class RequestLink : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Sends request `type` with `payload`, or queues it while the line is held. Returns false
    // when it cannot be sent.
    virtual bool Send(int type, const std::vector<std::uint8_t>& payload) = 0;
    // Sends the same frame again at once. Returns false when no attempt is left.
    virtual bool Retry() = 0;
    // Gives up this link's exchange still pending (answered or not) and its queued requests;
    // no answer to them follows.
    virtual void EndExchange() = 0;

signals:
    // The answer to a request sent: the answer's code and frame, or LinkTimeout when every
    // attempt went unanswered, or LinkSendFailed when a queued request could not be sent at
    // its turn (the frame then empty). Always delivered from the event loop, never from Send.
    void Answered(int code, const QByteArray& frame);
};

// Requests sent through the program's exchange service, this object being their requester.
class SessionRequestLink : public RequestLink
{
    Q_OBJECT

public:
    explicit SessionRequestLink(LinkSession& session, QObject* parent = nullptr);
    ~SessionRequestLink() override;

    bool Send(int type, const std::vector<std::uint8_t>& payload) override;
    bool Retry() override;
    void EndExchange() override;

protected:
    bool event(QEvent* event) override;

private:
    LinkSession& session_;
};
