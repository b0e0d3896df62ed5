// A clock a test moves by hand, for the link's timers: Advance runs every time-out that falls
// due, in time order, with the events each one posts delivered before the next.
#pragma once

#include "link/link_clock.h"

#include <QCoreApplication>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class ManualClock : public LinkClock
{
public:
    long long Now() const { return now_; }

    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTimeout) override
    {
        auto timer = std::make_unique<ManualTimer>(*this, std::move(onTimeout));
        timers_.push_back(timer.get());
        return timer;
    }

    // Moves the clock on by `ms`, running what falls due on the way.
    void Advance(long long ms)
    {
        const long long target = now_ + ms;
        for (;;) {
            QCoreApplication::sendPostedEvents();
            ManualTimer* next = nullptr;
            for (ManualTimer* t : timers_)
                if (t->active && t->due <= target && (!next || t->due < next->due))
                    next = t;
            if (!next)
                break;
            now_ = next->due;
            next->active = false;
            next->onTimeout();
        }
        now_ = target;
        QCoreApplication::sendPostedEvents();
    }

private:
    struct ManualTimer : Timer
    {
        ManualTimer(ManualClock& clock, std::function<void()> onTimeout)
            : clock(clock), onTimeout(std::move(onTimeout))
        {
        }
        ~ManualTimer() override
        {
            auto& all = clock.timers_;
            all.erase(std::remove(all.begin(), all.end(), this), all.end());
        }
        void Start(int ms) override
        {
            due = clock.now_ + ms;
            active = true;
        }
        void Stop() override { active = false; }
        bool Active() const override { return active; }

        ManualClock& clock;
        std::function<void()> onTimeout;
        long long due = 0;
        bool active = false;
    };

    long long now_ = 0;
    std::vector<ManualTimer*> timers_;
};
