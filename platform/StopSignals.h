#pragma once
// Ctrl-C and SIGTERM (on Windows: Ctrl-C, Ctrl-Break and closing the console)
// as one call on the event loop's thread, so that a run can end its transfers
// and say so. After the first, they have their default effect again: a second
// Ctrl-C ends the process at once.

#include <functional>
#include <memory>

namespace zarn {

class AsioEventLoop;

class StopSignals {
public:
    StopSignals(AsioEventLoop& loop, std::function<void()> onStop);
    // To be destroyed once the stop's work is done: a console being closed
    // waits for it (a few seconds at most) before the system ends the process.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    struct Impl;

private:
    AsioEventLoop& m_loop;
    std::unique_ptr<Impl> m_impl;
};

} // namespace zarn
