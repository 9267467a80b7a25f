// Two module sessions on the process's event loop, on a thread of its own, each
// on its own virtual module: both identify their module and program it at the
// same time from one shared image each, neither sees the other's frames,
// progress or end, and the test learns everything from their events.
#include "SimPort.h"
#include "link/SystemSession.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace zarn;
using namespace zarn::test;

namespace {

struct Side {
    int port;
    std::uint32_t memory;
    const char* memoryOption;
    std::unique_ptr<SimPort> sim {};
    std::unique_ptr<ModuleSession> session {};
    std::shared_ptr<const ResourceFileFacts> file {};
    // Written on the loop's thread, read here under the lock.
    bool identified = false, started = false;
    int completed = 0, failed = 0, progressed = 0;
    std::uint32_t memoryBytes = 0;
};

} // namespace

TEST(ModuleSession, TwoSessionsProgramTwoModulesAtOnce)
{
    std::mutex mutex; // guards the sides' event counts
    std::condition_variable changed;
    std::array<Side, 2> sides { Side { 3, 4u << 20, "4M" }, Side { 4, 8u << 20, "8M" } };
    for (Side& s : sides) {
        s.sim = std::make_unique<SimPort>(std::vector<std::string> { "--memory", s.memoryOption, "--once" }, s.port);
        ASSERT_TRUE(s.sim->ready()) << s.sim->why();
        SessionOptions options;
        options.requestOnOpen = true;
        s.session = makeModuleSession(
            [&, side = &s](const SessionEvent& e) {
                std::lock_guard<std::mutex> lock(mutex);
                side->identified = side->identified || e.kind == SessionEventKind::Identified;
                side->started = side->started || e.kind == SessionEventKind::TransferStarted;
                side->completed += e.kind == SessionEventKind::TransferCompleted;
                side->failed += e.kind == SessionEventKind::TransferFailed;
                side->progressed += e.kind == SessionEventKind::Changed && e.snapshot.programming;
                side->memoryBytes = e.snapshot.moduleInfo.memoryBytes();
                changed.notify_all();
            },
            options, s.sim->device());
        s.session->startDetection(s.port);
        // Different images, so that frames going to the wrong module would show.
        const std::uint32_t size = 16384 * static_cast<std::uint32_t>(s.port - 1);
        s.file = std::make_shared<ResourceFileFacts>(
            ResourceFileFacts { true, 2404, s.memory / 1024, 1, size, pattern(size, s.port), {} });
    }
    std::unique_lock<std::mutex> lock(mutex);
    const auto both = [&](auto what) { return what(sides[0]) && what(sides[1]); };
    ASSERT_TRUE(
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return both([](Side& s) { return s.identified; }); }));
    for (Side& s : sides) {
        EXPECT_EQ(s.memoryBytes, s.memory);
        s.session->programAll(s.file);
    }
    ASSERT_TRUE(changed.wait_for(
        lock, std::chrono::seconds(20), [&] { return both([](Side& s) { return s.completed + s.failed > 0; }); }));
    EXPECT_TRUE(both([](Side& s) { return s.started; }));
    lock.unlock();
    for (Side& s : sides) {
        s.session.reset();
        EXPECT_EQ(std::pair(s.completed, s.failed), std::pair(1, 0)) << "COM" << s.port;
        EXPECT_GT(s.progressed, 0);
        EXPECT_EQ(s.file.use_count(), 1) << "the session let the image go";
        EXPECT_TRUE(s.sim->ended()) << s.sim->out();
        EXPECT_NE(s.sim->out().find("problems: none"), std::string::npos) << s.sim->out();
        EXPECT_TRUE(s.sim->received() == s.file->image) << "COM" << s.port;
    }
}
