#include "platform/AsioEventLoop.h"

#include "platform/AsioContext.h"

#include <asio/post.hpp>
#include <asio/steady_timer.hpp>

#include <cstdint>
#include <mutex>

namespace zarn {

namespace {

    // The callback runs only for the start that armed it: a restart, cancel()
    // or the timer's end makes an earlier wait's completion a no-op.
    class AsioTimer final : public ITimer {
    public:
        explicit AsioTimer(asio::io_context& io)
            : m_timer(io)
        {
        }
        ~AsioTimer() override { m_state->generation++; }

        void start(std::chrono::milliseconds after, std::function<void()> callback) override
        {
            arm(after, std::chrono::milliseconds(0), std::move(callback));
        }
        void startRepeating(std::chrono::milliseconds period, std::function<void()> callback) override
        {
            arm(period, period, std::move(callback));
        }
        void cancel() override
        {
            m_state->generation++;
            m_state->callback = nullptr;
            m_timer.cancel();
        }

    private:
        struct State {
            std::uint64_t generation = 0;
            std::function<void()> callback;
        };

        void arm(std::chrono::milliseconds after, std::chrono::milliseconds period, std::function<void()> callback)
        {
            m_state->callback = std::move(callback);
            const std::uint64_t generation = ++m_state->generation;
            m_timer.expires_after(after);
            wait(generation, period);
        }

        void wait(std::uint64_t generation, std::chrono::milliseconds period)
        {
            m_timer.async_wait(
                [this, weak = std::weak_ptr<State>(m_state), generation, period](const asio::error_code& ec) {
                    const auto state = weak.lock();
                    if (ec || !state || state->generation != generation)
                        return;
                    // Re-armed first: the callback may cancel or destroy the timer.
                    if (period.count() > 0) {
                        m_timer.expires_at(m_timer.expiry() + period);
                        wait(generation, period);
                    }
                    const auto callback = state->callback;
                    if (callback)
                        callback();
                });
        }

        asio::steady_timer m_timer;
        std::shared_ptr<State> m_state = std::make_shared<State>();
    };

} // namespace

AsioEventLoop::AsioEventLoop()
    : m_context(std::make_unique<Context>())
{
}

AsioEventLoop::~AsioEventLoop()
{
    m_context->work.reset();
    m_context->io.stop();
    if (m_context->thread.joinable()) {
        if (m_context->thread.get_id() == std::this_thread::get_id())
            m_context->thread.detach(); // the process ends from inside the loop
        else
            m_context->thread.join();
    }
}

void AsioEventLoop::startThread()
{
    m_context->thread = std::thread([this] { m_context->io.run(); });
}

bool AsioEventLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    m_context->runner = std::this_thread::get_id();
    if (m_context->io.stopped())
        m_context->io.restart();
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            break;
        m_context->io.run_one_for(until - now);
    }
    m_context->runner = std::thread::id();
    return done();
}

void AsioEventLoop::runFor(std::chrono::milliseconds limit)
{
    runUntil([] { return false; }, limit);
}

void AsioEventLoop::post(std::function<void()> work) { asio::post(m_context->io, std::move(work)); }

std::unique_ptr<ITimer> AsioEventLoop::makeTimer() { return std::make_unique<AsioTimer>(m_context->io); }

std::chrono::steady_clock::time_point AsioEventLoop::now() const { return std::chrono::steady_clock::now(); }

bool AsioEventLoop::inLoopThread() const
{
    const auto self = std::this_thread::get_id();
    if (m_context->thread.joinable())
        return m_context->thread.get_id() == self;
    const std::thread::id runner = m_context->runner;
    return runner == std::thread::id() || runner == self;
}

AsioEventLoop& processEventLoop()
{
    static AsioEventLoop loop;
    static std::once_flag started;
    std::call_once(started, [] { loop.startThread(); });
    return loop;
}

} // namespace zarn
