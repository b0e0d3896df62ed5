// Where the link's timers take their time from: the real clock in the program, a clock a test
// moves by hand in the link's tests, so that a test asserts exact times without waiting.
//
//   std::unique_ptr<LinkClock::Timer> timer = clock.CreateTimer([this] { OnTimeout(); });
//   timer->Start(3000);   // single shot; Start again restarts it
#pragma once

#include <functional>
#include <memory>

class LinkClock
{
public:
    // A single-shot timer whose time-out runs its callback.
    class Timer
    {
    public:
        virtual ~Timer() = default;
        virtual void Start(int ms) = 0;
        virtual void Stop() = 0;
        virtual bool Active() const = 0;
    };

    virtual ~LinkClock() = default;
    virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTimeout) = 0;

    // The real clock: precise Qt timers on the calling thread's event loop.
    static LinkClock& Real();
};
