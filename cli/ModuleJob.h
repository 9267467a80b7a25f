#pragma once
// One port of a programming run: its module session from the detection to the
// end of the transfer. In a station the port then waits for the module to be
// removed and starts again with the next one. A job lives on the event loop's
// thread with its session: every call below is made there, and its callbacks
// come from there.

#include "cli/LinkCommands.h"
#include "cli/ModuleLog.h"
#include "platform/EventLoop.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zarn::cli {

inline constexpr char kMsgInterrupted[] = "Interrupted: the transfer was stopped before its end";
inline constexpr char kMsgInterruptedWaiting[] = "Interrupted while waiting for the module";

// What every port of a run is given.
struct ProgramInput {
    std::string file; // the resource file's path, for the record
    std::shared_ptr<const ResourceFileFacts> facts; // with the image, one copy for every port
    AckTimeouts timeouts;
    bool station = false; // keep going, module after module
};

class ModuleJob {
public:
    enum class Phase { Waiting, Programming, Ended, Leaving };

    ModuleJob(IEventLoop& loop, LinkTarget target, const ProgramInput& input);
    ~ModuleJob();
    ModuleJob(const ModuleJob&) = delete;
    ModuleJob& operator=(const ModuleJob&) = delete;

    // Detection starts: a step at once, then every 700 ms.
    void start();
    // Stops the port: a transfer in progress ends as interrupted (a port still
    // waiting for its module too, outside a station); the port is closed.
    void interrupt();

    Phase phase() const { return m_phase; }
    const LinkTarget& target() const { return m_target; }
    const ModuleOutcome& outcome() const { return m_outcome; } // the current or last module
    std::uint32_t bytesSent() const;
    std::uint32_t imageSize() const { return m_input.facts->usedEnd; }
    double seconds() const;

    // A station asks before each transfer; while it says no, the module waits.
    std::function<bool()> mayStart;
    std::function<void()> onProgress;
    std::function<void(const ModuleOutcome&)> onEnd;
    std::function<void(const std::string&)> onChannelError;

private:
    void onEvent(const SessionEvent& event);
    void beginTransfer();
    void refused(const SessionEvent& event);
    void endTransfer(const SessionEvent& event);
    void finish();
    void probe();
    void removalTick();
    void removed();

    IEventLoop& m_loop;
    LinkTarget m_target;
    const ProgramInput& m_input;
    std::unique_ptr<ModuleSession> m_session;
    SessionSnapshot m_state; // as the session's last event told it
    Phase m_phase = Phase::Waiting;
    bool m_starting = false; // "Program All" asked, its answer not yet come
    ModuleOutcome m_outcome;
    std::chrono::steady_clock::time_point m_started;
    std::unique_ptr<ITimer> m_detectionLimit; // outside a station: how long detection may take
    std::unique_ptr<ITimer> m_removal; // a station's check for the module's removal
    std::unique_ptr<ITimer> m_retry; // a transfer that may not start yet asks again
    int m_silentRounds = 0;
};

} // namespace zarn::cli
