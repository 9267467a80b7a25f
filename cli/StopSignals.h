#pragma once
// Ctrl-C and SIGTERM as a call on the event loop: the handler only writes the
// signal's number into a pipe, which a QSocketNotifier reads. After the first
// signal the previous handlers are back, so a second Ctrl-C ends the process.

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace zarn::cli {

class StopSignals {
public:
    explicit StopSignals(std::function<void(int)> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void restore();

    std::function<void(int)> m_onStop;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};

} // namespace zarn::cli
