#pragma once
// What the module link asks of an event loop: work posted to the loop's
// thread, timers whose callbacks run there, and the time. The process has one
// such loop on a thread of its own (AsioEventLoop); tests drive one on their
// own thread, or one whose time they move by hand.

#include <chrono>
#include <functional>
#include <future>
#include <memory>

namespace zarn {

// A timer of one loop. Its callback runs on the loop's thread, never after
// cancel() or the timer's destruction, which must happen on that thread too.
class ITimer {
public:
    virtual ~ITimer() = default;
    // Once, `after` from now; a timer already running is restarted.
    virtual void start(std::chrono::milliseconds after, std::function<void()> callback) = 0;
    // Every `period` from now on, without drifting.
    virtual void startRepeating(std::chrono::milliseconds period, std::function<void()> callback) = 0;
    virtual void cancel() = 0;
};

class IEventLoop {
public:
    virtual ~IEventLoop() = default;
    // Runs `work` on the loop's thread, after everything posted before it.
    // Any thread may post.
    virtual void post(std::function<void()> work) = 0;
    virtual std::unique_ptr<ITimer> makeTimer() = 0;
    virtual std::chrono::steady_clock::time_point now() const = 0;
    // True on the loop's thread, and when no thread of the loop's own runs it
    // (its caller drives it, as a test does).
    virtual bool inLoopThread() const = 0;
};

// Runs `work` on the loop's thread and returns when it has run.
inline void callOnLoop(IEventLoop& loop, const std::function<void()>& work)
{
    if (loop.inLoopThread()) {
        work();
        return;
    }
    std::promise<void> done;
    loop.post([&] {
        work();
        done.set_value();
    });
    done.get_future().wait();
}

} // namespace zarn
