#pragma once
// How another thread reaches a window: it queues a value and posts the window
// a private message; the window takes the queue on its own thread when the
// message arrives. No other thread ever touches a control.

#include <windows.h>

#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace zarn::win32 {

// The private message of the main window's channel: the session's events wait.
inline constexpr UINT kWmSessionEvents = WM_APP + 1;

// Wakes `window` with `message`; false when the window is gone.
bool postWakeUp(HWND window, UINT message);

template <class Event> class PostedChannel {
public:
    // From now on, posts go to `window` as `message`.
    void attach(HWND window, UINT message)
    {
        std::lock_guard lock(m_mutex);
        m_window = window;
        m_message = message;
        m_wakePending = !m_queue.empty() && postWakeUp(m_window, m_message);
    }
    // No more posts; queued values are dropped (the window is going).
    void detach()
    {
        std::lock_guard lock(m_mutex);
        m_window = nullptr;
        m_queue.clear();
        m_wakePending = false;
    }
    // Any thread. One message wakes the window for everything queued before it is
    // taken; a message the system refused is posted again with the next value.
    void post(Event event)
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(event));
        if (!m_wakePending)
            m_wakePending = postWakeUp(m_window, m_message);
    }
    // The window's thread, on the message: everything queued, oldest first.
    std::vector<Event> take()
    {
        std::lock_guard lock(m_mutex);
        std::vector<Event> out(std::make_move_iterator(m_queue.begin()), std::make_move_iterator(m_queue.end()));
        m_queue.clear();
        m_wakePending = false;
        return out;
    }

private:
    std::mutex m_mutex; // guards every member below
    std::deque<Event> m_queue;
    HWND m_window = nullptr;
    UINT m_message = 0;
    bool m_wakePending = false; // a wake-up message is on its way and the queue not yet taken
};

} // namespace zarn::win32
