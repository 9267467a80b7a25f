#include "platform/StopSignals.h"

#include "platform/AsioEventLoop.h"

#include <atomic>
#include <mutex>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zarn {

namespace {

    // The console calls its handler on a thread of the system's.
    struct Console {
        std::mutex mutex; // guards loop and onStop, set and cleared by StopSignals
        AsioEventLoop* loop = nullptr;
        std::function<void()> onStop;
        std::atomic<bool> fired { false };
        HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); // the stop's work is done
    };
    Console& console()
    {
        static Console c;
        return c;
    }

    BOOL WINAPI onConsoleEvent(DWORD type)
    {
        Console& c = console();
        {
            std::lock_guard<std::mutex> lock(c.mutex);
            if (!c.loop)
                return FALSE;
            if (c.fired.exchange(true)) {
                // A second Ctrl-C or Ctrl-Break: the default, which ends the process.
                if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT)
                    return FALSE;
            } else {
                c.loop->post(c.onStop);
            }
        }
        // The system ends the process when this returns from a close, a log-off or
        // a shutdown: first let the run end its transfers and write its record.
        if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
            ::WaitForSingleObject(c.finished, 4500);
        return TRUE;
    }

} // namespace

struct StopSignals::Impl { };

StopSignals::StopSignals(AsioEventLoop& loop, std::function<void()> onStop)
    : m_loop(loop)
{
    Console& c = console();
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        c.loop = &loop;
        c.onStop = std::move(onStop);
        c.fired = false;
        ::ResetEvent(c.finished);
    }
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    Console& c = console();
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        c.loop = nullptr;
        c.onStop = nullptr;
    }
    ::SetEvent(c.finished);
    // Removed only when nothing waits in it: a close in progress ends the process anyway.
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

} // namespace zarn
