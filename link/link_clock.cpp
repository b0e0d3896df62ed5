// The real clock of the link's timers.
#include "link/link_clock.h"

#include <QTimer>

namespace {

class RealTimer : public LinkClock::Timer
{
public:
    explicit RealTimer(std::function<void()> onTimeout)
    {
        timer_.setSingleShot(true);
        // A coarse timer may fire 5% early, which would cut a slow tester's answer short.
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTimeout));
    }
    void Start(int ms) override { timer_.start(ms); }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

class RealClock : public LinkClock
{
public:
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTimeout) override
    {
        return std::make_unique<RealTimer>(std::move(onTimeout));
    }
};

} // namespace

LinkClock& LinkClock::Real()
{
    static RealClock clock;
    return clock;
}
