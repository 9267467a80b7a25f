// Two module sessions in one process, each on its own virtual module: both
// identify their module and program it at the same time, and neither sees the
// other's frames, progress or end.
#include "support/SimProcess.h"
#include "link/qt/ModuleSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "session_test";
    static char* argv[] = { name, nullptr };
    static auto* instance = new QCoreApplication(argc, argv);
    return *instance;
}

bool runUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

TEST(ModuleSession, TwoSessionsProgramTwoModulesAtOnce)
{
    app();
    char tmpl[] = "/tmp/zarn-sessions-XXXXXX";
    const std::filesystem::path dir = ::mkdtemp(tmpl);
    ::setenv("ZARN_PORT_DIR", (dir / "ports").c_str(), 1);
    struct Side {
        int port;
        std::uint32_t memory;
        std::unique_ptr<SimProcess> sim;
        std::unique_ptr<ModuleSession> session;
        ResourceFileFacts file;
        int finished = 0, failed = 0, progressed = 0;
    };
    std::array<Side, 2> sides { Side { 3, 4u << 20 }, Side { 4, 8u << 20 } };
    std::filesystem::create_directories(dir / "ports");
    for (Side& s : sides) {
        s.sim = std::make_unique<SimProcess>(
            std::vector<std::string> { "--memory", s.memory == (4u << 20) ? "4M" : "8M", "--save", "@DIR@/received", "--once" },
            s.port);
        ASSERT_TRUE(s.sim->ready()) << s.sim->out();
        // Both links in one port folder, as the system would list two modules.
        std::filesystem::create_symlink(std::filesystem::read_symlink(s.sim->link()), dir / "ports" / s.sim->link().filename());
        s.session = std::make_unique<ModuleSession>();
        QObject::connect(s.session.get(), &ModuleSession::finished, [&s] { ++s.finished; });
        QObject::connect(s.session.get(), &ModuleSession::failed, [&s] { ++s.failed; });
        QObject::connect(s.session.get(), &ModuleSession::progress, [&s] { ++s.progressed; });
        s.session->selectPort(s.port);
        s.session->step();
        // Different images, so that frames going to the wrong module would show.
        const std::uint32_t size = 16384 * static_cast<std::uint32_t>(s.port - 1);
        std::vector<std::uint8_t> image(size);
        for (std::uint32_t i = 0; i < size; ++i)
            image[i] = static_cast<std::uint8_t>(i * s.port + (i >> 10));
        s.file = ResourceFileFacts { true, "x.zrf", 2404, s.memory / 1024, 1, size, image, {} };
    }
    ASSERT_TRUE(runUntil([&] { return sides[0].session->identified() && sides[1].session->identified(); }, 10000));
    EXPECT_EQ(sides[0].session->detection().moduleInfo().memoryBytes(), 4u << 20);
    EXPECT_EQ(sides[1].session->detection().moduleInfo().memoryBytes(), 8u << 20);

    for (Side& s : sides)
        ASSERT_EQ(s.session->programAll(s.file), "");
    EXPECT_TRUE(sides[0].session->programming() && sides[1].session->programming()) << "both run at once";
    ASSERT_TRUE(runUntil([&] { return sides[0].finished + sides[0].failed + sides[1].finished + sides[1].failed == 2; }, 20000));
    for (Side& s : sides) {
        EXPECT_EQ(std::pair(s.finished, s.failed), std::pair(1, 0)) << "COM" << s.port;
        EXPECT_GT(s.progressed, 0);
        EXPECT_EQ(s.sim->finish(), 0) << s.sim->out();
        const std::string received = readAll(s.sim->dir() / "received");
        EXPECT_TRUE(received == std::string(s.file.image.begin(), s.file.image.end())) << "COM" << s.port;
    }
    std::filesystem::remove_all(dir);
}
