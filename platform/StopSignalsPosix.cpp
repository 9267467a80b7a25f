#include "platform/StopSignals.h"

#include "platform/AsioContext.h"

#include <asio/signal_set.hpp>

#include <csignal>

namespace zarn {

struct StopSignals::Impl {
    explicit Impl(asio::io_context& io)
        : signals(io, SIGINT, SIGTERM)
    {
    }
    asio::signal_set signals;
};

StopSignals::StopSignals(AsioEventLoop& loop, std::function<void()> onStop)
    : m_loop(loop)
{
    // The set lives on the loop's thread, as all that the loop runs.
    callOnLoop(loop, [&] {
        m_impl = std::make_unique<Impl>(loop.context().io);
        m_impl->signals.async_wait([this, onStop = std::move(onStop)](const asio::error_code& ec, int) {
            if (ec)
                return;
            asio::error_code ignored;
            m_impl->signals.clear(ignored); // the default effect is back
            onStop();
        });
    });
}

StopSignals::~StopSignals()
{
    callOnLoop(m_loop, [this] { m_impl.reset(); });
}

} // namespace zarn
