// Two module sessions in one process, each on its own virtual module: both
// identify their module and program it at the same time, and neither sees the
// other's frames, progress or end.
#include "EventLoop.h"
#include "link/qt/ModuleSession.h"
#include "support/Files.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

TEST(ModuleSession, TwoSessionsProgramTwoModulesAtOnce)
{
    eventLoop();
    TempDir dir;
    ::setenv("ZARN_PORT_DIR", (dir / "ports").c_str(), 1);
    struct Side {
        int port;
        std::uint32_t memory;
        const char* memoryOption;
        std::unique_ptr<SimProcess> sim {};
        std::unique_ptr<ModuleSession> session {};
        ResourceFileFacts file {};
        int finished = 0, failed = 0, progressed = 0;
    };
    std::array<Side, 2> sides { Side { 3, 4u << 20, "4M" }, Side { 4, 8u << 20, "8M" } };
    for (Side& s : sides) {
        // Both links in one port folder, as the system would list two modules.
        const std::string received = "@DIR@/received" + std::to_string(s.port);
        s.sim = std::make_unique<SimProcess>(
            std::vector<std::string> { "--memory", s.memoryOption, "--save", received, "--once" }, s.port, dir.path());
        ASSERT_TRUE(s.sim->ready()) << s.sim->out();
        s.session = std::make_unique<ModuleSession>();
        QObject::connect(s.session.get(), &ModuleSession::finished, [&s] { ++s.finished; });
        QObject::connect(s.session.get(), &ModuleSession::failed, [&s] { ++s.failed; });
        QObject::connect(s.session.get(), &ModuleSession::progress, [&s] { ++s.progressed; });
        s.session->startDetection(s.port);
        // Different images, so that frames going to the wrong module would show.
        const std::uint32_t size = 16384 * static_cast<std::uint32_t>(s.port - 1);
        s.file = ResourceFileFacts { true, 2404, s.memory / 1024, 1, size, pattern(size, s.port), {} };
    }
    ASSERT_TRUE(spinUntil([&] { return sides[0].session->identified() && sides[1].session->identified(); }, 10000));
    for (Side& s : sides) {
        EXPECT_EQ(s.session->detection().moduleInfo().memoryBytes(), s.memory);
        ASSERT_EQ(s.session->programAll(s.file), "");
    }
    EXPECT_TRUE(sides[0].session->programming() && sides[1].session->programming()) << "both run at once";
    ASSERT_TRUE(spinUntil(
        [&] { return sides[0].finished + sides[0].failed + sides[1].finished + sides[1].failed == 2; }, 20000));
    for (Side& s : sides) {
        EXPECT_EQ(std::pair(s.finished, s.failed), std::pair(1, 0)) << "COM" << s.port;
        EXPECT_GT(s.progressed, 0);
        EXPECT_EQ(s.sim->finish(), 0) << s.sim->out();
        EXPECT_TRUE(readBytes(s.sim->dir() / ("received" + std::to_string(s.port))) == s.file.image) << "COM" << s.port;
    }
}
