// A scripted link that plays the tester's side of the copy for tests: it keeps the files it
// receives, checks block numbers, checksums and column sums as a tester does, and lets a test
// change the status of chosen answers, withhold them, or time them out.
#pragma once

#include "link/tests/scripted_link.h"

#include <map>
#include <string>
#include <vector>

class ScriptedTester : public ScriptedLink
{
public:
    static constexpr int kKeep = -1;     // the status the tester model gives
    static constexpr int kNoAnswer = -2; // the request goes unanswered
    static constexpr int kTimeOut = -3;  // unanswered, and the requester is told it timed out

    std::map<std::string, std::vector<std::uint8_t>> files; // acknowledged, by tester path
    // Returns the status to answer with instead of the model's, or kKeep.
    std::function<int(const Request&)> script;

    ScriptedTester()
    {
        respond = [this](const Request& request)
            -> std::optional<std::pair<int, std::vector<std::uint8_t>>> {
            int status = Model(request);
            if (script) {
                const int scripted = script(request);
                if (scripted != kKeep)
                    status = scripted;
            }
            if (request.code == 10 && status != 1)
                files.erase(name_); // the tester keeps only what it acknowledged
            if (status == kTimeOut)
                return std::pair{int(LinkTimeout), std::vector<std::uint8_t>{}};
            if (status < 0)
                return std::nullopt;
            return std::pair{request.code, AnswerFrame(request.code, {std::uint8_t(status)})};
        };
    }

private:
    int Model(const Request& r)
    {
        const std::vector<std::uint8_t>& d = r.payload;
        switch (r.code) {
        case 7:
            open_ = false;
            return 1;
        case 8:
            open_ = true;
            name_.assign(d.begin(), d.end());
            data_.clear();
            next_ = 0;
            last_.clear();
            std::fill(std::begin(sums_), std::end(sums_), 0);
            return 1;
        case 9: {
            if (!open_ || d.size() < 5 || d.size() > 115)
                return 3;
            const std::uint32_t number = proto::GetU32BE(d.data());
            std::uint8_t sum = 0;
            for (std::size_t i = 4; i + 1 < d.size(); ++i)
                sum = std::uint8_t(sum + d[i]);
            if (std::uint8_t(~sum) != d.back())
                return 2;
            if (number + 1 == next_ && d == last_)
                return 1; // a repeat of a block already taken
            if (number != next_)
                return 2;
            for (std::size_t i = 4; i + 1 < d.size(); ++i) {
                data_.push_back(d[i]);
                sums_[i - 4] = std::uint8_t(sums_[i - 4] + d[i]);
            }
            last_ = d;
            ++next_;
            return 1;
        }
        case 10: {
            if (!open_ || d.size() != 110)
                return 2;
            for (std::size_t i = 0; i < 110; ++i)
                if (d[i] != std::uint8_t(~sums_[i]))
                    return 2;
            files[name_] = data_;
            open_ = false;
            return 1;
        }
        default:
            return 3;
        }
    }

    bool open_ = false;
    std::string name_;
    std::vector<std::uint8_t> data_;
    std::vector<std::uint8_t> last_;
    std::uint32_t next_ = 0;
    std::uint8_t sums_[110] = {};
};
