#pragma once
// The event loop of the serial ports: one Asio io_context with its timers.
// The process's loop (processEventLoop) runs on a thread of its own from its
// first use to the end of the process; a test may make its own and run it on
// its own thread for as long as it waits for something.

#include "platform/EventLoop.h"

#include <chrono>
#include <functional>
#include <memory>

namespace zarn {

class AsioEventLoop final : public IEventLoop {
public:
    AsioEventLoop();
    // Stops the loop's thread, if it has one, and waits for it.
    ~AsioEventLoop() override;
    AsioEventLoop(const AsioEventLoop&) = delete;
    AsioEventLoop& operator=(const AsioEventLoop&) = delete;

    // Runs the loop on a thread of its own until the loop is destroyed.
    void startThread();

    // On the caller's thread (a loop without a thread of its own): runs what is
    // ready and what becomes ready until `done` says so or `limit` has passed.
    // Returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    void runFor(std::chrono::milliseconds limit);

    void post(std::function<void()> work) override;
    std::unique_ptr<ITimer> makeTimer() override;
    std::chrono::steady_clock::time_point now() const override;
    bool inLoopThread() const override;

    // The io_context, for the platform's serial ports and signals only.
    struct Context;
    Context& context() { return *m_context; }

private:
    std::unique_ptr<Context> m_context;
};

// The process's one loop, started on its thread at the first call.
AsioEventLoop& processEventLoop();

} // namespace zarn
