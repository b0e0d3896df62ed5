// Binds the tester software engine to the program's exchange service: its requests go out as
// link exchanges on its own behalf, and the answers come back to the engine.
#pragma once

#include "software/tester_software_engine.h"

#include <QObject>

class LinkSession;

class TesterSoftwareLink : public QObject, public TesterRequestLink
{
    Q_OBJECT

public:
    explicit TesterSoftwareLink(LinkSession& session, QObject* parent = nullptr);
    ~TesterSoftwareLink() override;

    // The engine that receives the answers.
    void SetEngine(TesterSoftwareEngine* engine) { engine_ = engine; }

    bool Send(int type, const std::vector<std::uint8_t>& payload) override;
    void CancelPending() override;

protected:
    bool event(QEvent* event) override;

private:
    LinkSession& session_;
    TesterSoftwareEngine* engine_ = nullptr;
    bool sent_ = false; // an exchange of ours is queued, in flight or timed out
};
