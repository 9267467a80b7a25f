#include "cli/StopSignals.h"

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zarn::cli {

#ifdef _WIN32
// No signals to turn into calls here: Ctrl-C keeps its default effect.
StopSignals::StopSignals(std::function<void(int)> onStop)
    : m_onStop(std::move(onStop))
{
}
StopSignals::~StopSignals() = default;
void StopSignals::restore() { }
#else

namespace {

    int g_pipe[2] = { -1, -1 };
    struct sigaction g_previous[2];
    constexpr int kSignals[2] = { SIGINT, SIGTERM };

    void onSignal(int sig)
    {
        const int saved = errno;
        const char byte = static_cast<char>(sig);
        (void)!::write(g_pipe[1], &byte, 1);
        errno = saved;
    }

} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop)
    : m_onStop(std::move(onStop))
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no pipe: the signals keep their default effect
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char byte = 0;
        int sig = 0;
        while (::read(g_pipe[0], &byte, 1) == 1)
            sig = byte;
        if (sig == 0 || !m_installed)
            return;
        restore();
        m_onStop(sig);
    });
    struct sigaction sa { };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &sa, &g_previous[i]);
    m_installed = true;
}

StopSignals::~StopSignals() { restore(); }

void StopSignals::restore()
{
    if (!m_installed)
        return;
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    m_installed = false;
}

#endif

} // namespace zarn::cli
