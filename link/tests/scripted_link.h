// A stand-in for the link in the engines' tests: it records every request an engine sends and
// delivers the answers the test gives, at once (Answer) or from the event loop as the real link
// does (a `respond` function, or Deliver). Retries are counted against the request type's
// attempts, as the link counts them.
#pragma once

#include "link/request_link.h"
#include "linklib/protocol.h"

#include <QMetaObject>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class ScriptedLink : public RequestLink
{
public:
    struct Request
    {
        int type = 0;
        int code = 0; // the request's code: 7 sync, 8 open file, 9 block, 10 end of file, ...
        int nth = 0;  // 1 for the first request with this code, 2 for the second, ...
        std::vector<std::uint8_t> payload;
        std::string Text() const { return {payload.begin(), payload.end()}; }
    };

    std::vector<Request> sent; // every frame on the line, repeats included
    int cancels = 0;           // EndExchange calls
    bool refuse = false;       // Send fails
    // When set, called for every frame sent (repeats included); an answer it returns (a code
    // and a frame, or LinkTimeout with no frame) is delivered from the event loop.
    std::function<std::optional<std::pair<int, std::vector<std::uint8_t>>>(const Request&)> respond;

    bool Send(int type, const std::vector<std::uint8_t>& payload) override
    {
        const proto::RequestType* row = proto::FindRequestType(type);
        if (refuse || !row)
            return false;
        attempt_ = 1;
        maxAttempts_ = row->attempts;
        Put({type, row->code, 0, payload});
        return true;
    }
    bool Retry() override
    {
        if (sent.empty() || attempt_ >= maxAttempts_)
            return false;
        ++attempt_;
        Request again = last_;
        Put(again);
        return true;
    }
    void EndExchange() override
    {
        ++cancels;
        ++epoch_; // answers on their way are given up with the exchange
        pending_ = false;
    }

    // An answer is awaited: sent and not yet answered, timed out or ended.
    bool Pending() const { return pending_; }
    const Request& Last() const { return sent.back(); }
    int Count() const { return int(sent.size()); }
    std::vector<int> Codes() const
    {
        std::vector<int> out;
        for (const Request& r : sent)
            out.push_back(r.code);
        return out;
    }
    std::vector<Request> Of(int code) const
    {
        std::vector<Request> out;
        for (const Request& r : sent)
            if (r.code == code)
                out.push_back(r);
        return out;
    }

    // Delivers `frame` (its code is byte 6) now, as the answer to what was sent.
    void Answer(const std::vector<std::uint8_t>& frame)
    {
        pending_ = false;
        emit Answered(
            frame.size() > std::size_t(proto::kOffsetCode) ? frame[proto::kOffsetCode] : 0,
            QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size())));
    }
    // Delivers `code` with `frame` from the event loop, unless the exchange ends first.
    void Deliver(int code, std::vector<std::uint8_t> frame = {})
    {
        const int epoch = epoch_;
        QMetaObject::invokeMethod(
            this,
            [this, epoch, code, frame] {
                if (epoch != epoch_)
                    return;
                pending_ = code == LinkTimeout; // a timed-out exchange stays open until ended
                emit Answered(code, QByteArray(reinterpret_cast<const char*>(frame.data()),
                                               qsizetype(frame.size())));
            },
            Qt::QueuedConnection);
    }

private:
    void Put(Request request)
    {
        request.nth = ++counts_[request.code];
        sent.push_back(request);
        last_ = request;
        pending_ = true;
        if (respond)
            if (auto answer = respond(sent.back()))
                Deliver(answer->first, std::move(answer->second));
    }

    std::map<int, int> counts_;
    Request last_;
    int attempt_ = 0;
    int maxAttempts_ = 0;
    int epoch_ = 0;
    bool pending_ = false;
};

// An answer frame: start byte, length, 0, link id, class 11, `code`, then `payload`.
inline std::vector<std::uint8_t> AnswerFrame(int code, const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> f(proto::kHeaderSize);
    proto::WriteFrameHeader(f.data(), payload.size(), 1, 11, std::uint8_t(code));
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}
