#pragma once
// An event loop on the test's own thread whose time moves only when the test
// says: work posted from outside the loop runs at once (posted from inside
// it, once the running callback is over), and advance() fires the timers that
// fall due, in their order, at their time. Sessions run on it deterministically,
// without sleeping.
#include "platform/EventLoop.h"

#include <algorithm>
#include <deque>
#include <map>
#include <tuple>

namespace zarn::test {

class ManualLoop final : public IEventLoop {
public:
    using Clock = std::chrono::steady_clock;

    void post(std::function<void()> work) override
    {
        m_posted.push_back(std::move(work));
        if (m_depth == 0)
            runPosted();
    }
    std::unique_ptr<ITimer> makeTimer() override { return std::make_unique<Timer>(*this); }
    Clock::time_point now() const override { return m_now; }
    bool inLoopThread() const override { return true; }

    // Moves the time by `by`, firing every timer that falls due on the way.
    void advance(std::chrono::milliseconds by)
    {
        const Clock::time_point until = m_now + by;
        for (;;) {
            auto next = std::min_element(m_timers.begin(), m_timers.end(), [](const auto& a, const auto& b) {
                return std::tie(a.second.due, a.second.order) < std::tie(b.second.due, b.second.order);
            });
            if (next == m_timers.end() || next->second.due > until)
                break;
            m_now = std::max(m_now, next->second.due);
            Pending fire = next->second;
            if (fire.period.count() > 0)
                next->second.due += fire.period;
            else
                m_timers.erase(next);
            ++m_depth;
            fire.callback();
            --m_depth;
            runPosted();
        }
        m_now = until;
    }

private:
    struct Pending {
        Clock::time_point due;
        std::chrono::milliseconds period;
        std::function<void()> callback;
        std::uint64_t order = 0; // timers due at the same moment fire in the order they were started
    };

    class Timer final : public ITimer {
    public:
        explicit Timer(ManualLoop& loop)
            : m_loop(loop)
        {
        }
        ~Timer() override { cancel(); }
        void start(std::chrono::milliseconds after, std::function<void()> callback) override
        {
            m_loop.m_timers[this]
                = { m_loop.m_now + after, std::chrono::milliseconds(0), std::move(callback), ++m_loop.m_order };
        }
        void startRepeating(std::chrono::milliseconds period, std::function<void()> callback) override
        {
            m_loop.m_timers[this] = { m_loop.m_now + period, period, std::move(callback), ++m_loop.m_order };
        }
        void cancel() override { m_loop.m_timers.erase(this); }

    private:
        ManualLoop& m_loop;
    };

    void runPosted()
    {
        ++m_depth;
        while (!m_posted.empty()) {
            auto work = std::move(m_posted.front());
            m_posted.pop_front();
            work();
        }
        --m_depth;
    }

    Clock::time_point m_now {};
    std::deque<std::function<void()>> m_posted;
    std::map<Timer*, Pending> m_timers;
    std::uint64_t m_order = 0;
    int m_depth = 0;
};

} // namespace zarn::test
