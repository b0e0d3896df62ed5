// A real link to the tester simulator for end-to-end tests and benchmarks: a working folder
// with VELANTO.INI pointing COM ports at simulator pseudo-terminals, and the link session.
#pragma once

#include "core/app_config.h"
#include "linklib/link_event.h"
#include "link/link_session.h"
#include "tools/tester_sim/tester_sim_process.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <vector>

// Receives answers and lets a caller wait for the next one.
class AnswerCatcher : public QObject
{
public:
    std::vector<long long> codes;

    // Waits for the next answer; returns its code, or -1 after `timeoutMs`.
    long long Wait(int timeoutMs = 15000)
    {
        const std::size_t before = codes.size();
        // One reused timer: a fresh single-shot timer per wait would pile up thousands of
        // pending timers in a benchmark and slow every later loop iteration.
        QEventLoop loop;
        loop_ = &loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(timeoutMs);
        loop.exec();
        loop_ = nullptr;
        return codes.size() > before ? codes.back() : -1;
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != LinkMessageEvent::eventType())
            return QObject::event(e);
        codes.push_back(static_cast<LinkMessageEvent*>(e)->wParam);
        if (loop_)
            loop_->quit();
        return true;
    }

private:
    QEventLoop* loop_ = nullptr;
};

class SimLink
{
public:
    QTemporaryDir work;
    QString fsDir;
    std::vector<std::unique_ptr<TesterSimProcess>> sims;
    std::unique_ptr<LinkSession> session;
    QObject view;
    AnswerCatcher catcher;
    QString previousDir = QDir::currentPath();

    SimLink()
    {
        fsDir = work.filePath("FN0");
        QDir().mkpath(fsDir);
    }
    ~SimLink()
    {
        session.reset();
        sims.clear();
        QDir::setCurrent(previousDir);
    }

    // Starts a simulator with `options` on COM<sims.size()+1>. Returns false if it did not come up.
    bool AddSimulator(const QStringList& options = {})
    {
        auto sim = std::make_unique<TesterSimProcess>();
        const QString link = work.filePath(QString("tester%1").arg(sims.size() + 1));
        if (!sim->Start(fsDir, link, options))
            return false;
        sims.push_back(std::move(sim));
        QByteArray ini = "[PORTE_COM]\n";
        for (std::size_t i = 0; i < sims.size(); ++i)
            ini += "COM" + QByteArray::number(int(i) + 1) + "=" +
                   work.filePath(QString("tester%1").arg(i + 1)).toUtf8() + "\n";
        QFile file(work.filePath("VELANTO.INI"));
        file.open(QIODevice::WriteOnly);
        file.write(ini);
        return true;
    }

    // Opens the link on COM1 with the real link library.
    bool Open()
    {
        AppConfig.profilePath = work.filePath("VELANTO.INI").toStdString();
        AppConfig.comPort = 1;
        session = std::make_unique<LinkSession>(AppConfig);
        return session->OpenLink(&view, PortTarget::Com(1)) == 0 && session->PortOpen();
    }

    // One exchange: returns the answer's code (LinkTimeout when none came), or -1.
    long long Exchange(int type, const std::vector<std::uint8_t>& data = {})
    {
        LinkWindow* w = session->Window();
        if (!w->BuildRequest(type, data.data(), int(data.size())) || !w->SendRequest(&catcher))
            return -1;
        return catcher.Wait();
    }
    const std::uint8_t* Response() const { return session->Window()->Response(); }
};
