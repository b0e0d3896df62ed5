// A stand-in for the link library in tests: records every call, answers as told, and delivers
// frames to the link window the way the library does (a posted event 3, then LinkReceive).
#pragma once

#include "core/app_config.h"
#include "core/messages.h"
#include "link/link_api.h"
#include "linklib/link_event.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct FakeCall
{
    std::string name;
    qint64 atMs = 0;
    std::vector<std::uint8_t> frame; // Send
    std::string device;              // OpenPort (the device opened)
    int baud = 0;
};

class FakeLinkApi : public LinkApi
{
public:
    int initResult = 1;
    int openResult = 1;
    int sendResult = 1;
    int releaseResult = 1;
    int receiveResult = 1;
    std::string portError;
    // When set, answers each OpenDevice instead of openResult.
    std::function<int(const std::string& device)> onOpen;
    std::vector<FakeCall> calls;
    QElapsedTimer clock;
    // Where call times come from: the real clock, or a test's own.
    std::function<long long()> now = [this] { return clock.elapsed(); };
    QPointer<QObject> notify;
    QPointer<QObject> lastSender;

    FakeLinkApi() { clock.start(); }

    int Init(QObject* window, int) override
    {
        notify = window;
        Record("Init");
        return initResult;
    }
    int Release(int) override { return Record("Release"), releaseResult; }
    int OpenDevice(int, const std::string& device, int baud, unsigned char*) override
    {
        FakeCall& c = Record("OpenPort");
        c.device = device;
        c.baud = baud;
        return onOpen ? onOpen(device) : openResult;
    }
    void ClosePort(int) override { Record("ClosePort"); }
    int Receive(QObject** window, int, unsigned char* response, int* length) override
    {
        Record("Receive");
        if (receiveResult != 1)
            return receiveResult;
        if (queue.empty())
            return 2;
        Item item = queue.front();
        queue.pop_front();
        std::copy(item.frame.begin(), item.frame.end(), response);
        *length = int(item.frame.size());
        *window = item.window;
        return 1;
    }
    int Send(QObject* window, int, const unsigned char* frame, int size) override
    {
        FakeCall& c = Record("Send");
        c.frame.assign(frame, frame + size);
        lastSender = window;
        return sendResult;
    }
    std::string Version() override { return "9.9.9"; }
    std::string Date() override { return "01/02/2003"; }
    void Cancel(int) override
    {
        Record("Cancel");
        queue.clear();
    }
    std::string PortError(int) override { return portError; }

    // Delivers an answer with `code` and status byte `status`, as the answer to the last
    // request (to its sender) or, with `unsolicited`, to nobody in particular.
    void Deliver(std::uint8_t code, std::uint8_t status, bool unsolicited = false)
    {
        DeliverTo(unsolicited ? nullptr : lastSender.data(), code, status);
    }
    // Delivers an answer as the library names `window` for it.
    void DeliverTo(QObject* window, std::uint8_t code, std::uint8_t status)
    {
        std::vector<std::uint8_t> frame(proto::kHeaderSize + 1);
        proto::WriteFrameHeader(frame.data(), 1, 1, 11, code);
        frame[proto::kOffsetStatus] = status;
        queue.push_back({std::move(frame), window});
        PostEvent(3);
    }
    void PostEvent(int event)
    {
        QCoreApplication::postEvent(notify, new LinkMessageEvent(event, 0));
    }

    int Count(const std::string& name) const
    {
        int n = 0;
        for (const FakeCall& c : calls)
            n += c.name == name;
        return n;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> out;
        for (const FakeCall& c : calls)
            out.push_back(c.name);
        return out;
    }

private:
    struct Item
    {
        std::vector<std::uint8_t> frame;
        QObject* window;
    };
    std::deque<Item> queue;

    FakeCall& Record(const char* name)
    {
        calls.push_back({name, now(), {}, {}, 0});
        return calls.back();
    }
};

// Collects the LinkMessageEvents posted to it.
class Requester : public QObject
{
public:
    std::vector<long long> codes;
    std::vector<qint64> atMs;
    QElapsedTimer clock;
    std::function<long long()> now = [this] { return clock.elapsed(); };
    std::function<void(long long)> onCode; // runs as the requester's handler
    Requester() { clock.start(); }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == LinkMessageEvent::eventType()) {
            codes.push_back(static_cast<LinkMessageEvent*>(e)->wParam);
            atMs.push_back(now());
            if (onCode)
                onCode(codes.back());
            return true;
        }
        return QObject::event(e);
    }
};

// A language file whose MESSAGGI_ERRORE texts read "E<n>" and GENERIC_STRING texts "G<n>" (the
// program's AppConfig reads it), and the text of each failure reported by the emitters watched
// (notices apart).
class CapturedMessages : public QObject
{
public:
    std::vector<std::string> texts;
    std::vector<std::string> notices;

    CapturedMessages()
    {
        const QString path = dir.filePath("SWBASE.TXT");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray content = "[MESSAGGI_ERRORE]\n";
        for (int n = 1; n <= 79; ++n)
            content += "s" + QByteArray::number(n) + "_ITA=E" + QByteArray::number(n) + "\n";
        content += "[GENERIC_STRING]\n";
        for (int n = 1; n <= 10; ++n)
            content += "s" + QByteArray::number(n) + "_ITA=G" + QByteArray::number(n) + "\n";
        file.write(content);
        file.close();
        AppConfig.textsPath = path.toStdString();
        AppConfig.language = 0;
    }

    // Records the failures `emitter` reports by its Failed signal.
    template <typename Emitter> void Watch(Emitter* emitter)
    {
        QObject::connect(emitter, &Emitter::Failed, this, [this](const ErrorReport& report) {
            (report.style == kStyleNotice ? notices : texts)
                .push_back(ReportText(report, AppConfig));
        });
    }

private:
    QTemporaryDir dir;
};
