// CSerialChannel on a real port against the virtual module: a pseudo-terminal
// on Linux, COMn through Wine on Windows. The event loop runs on the test's
// own thread, for as long as the test waits for something.
#include "SimPort.h"
#include "link/CSerialChannel.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "platform/AsioEventLoop.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;
using namespace std::chrono_literals;

namespace {

// Under Wine, unlike Windows, a second open of a held port succeeds.
bool underWine()
{
#ifdef _WIN32
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

struct Channel : ::testing::Test {
    AsioEventLoop loop;
    std::string device;
    CSerialChannel channel { loop, [this](int) { return device; } };
    std::vector<std::uint8_t> commands; // of the frames delivered
    std::vector<std::string> errors;
    int lost = 0;

    void SetUp() override
    {
        channel.onFrame = [this](FramePayload& f) { commands.push_back(f.command()); };
        channel.onError = [this](const std::string& text) { errors.push_back(text); };
        channel.onPortLost = [this] { ++lost; };
    }
    bool open(const SimPort& sim)
    {
        device = sim.device();
        return channel.OpenPort(7, 57600, 'N', 8, 1, 128) && channel.StartMonitor();
    }
    void ask() { channel.SendFrame(kIdentificationRequest, CMD_IDENTIFY); }
    bool waitFor(std::size_t frames, std::chrono::milliseconds limit = 2000ms)
    {
        return loop.runUntil([&] { return commands.size() >= frames; }, limit);
    }
};

} // namespace

TEST_F(Channel, OpensExclusivelyAndOnlyAnExistingDevice)
{
    SimPort sim({}, 7);
    ASSERT_TRUE(sim.ready()) << sim.why();
    ASSERT_TRUE(open(sim));
    CSerialChannel second(loop, [&](int) { return device; });
    if (!underWine()) {
        EXPECT_FALSE(second.OpenPort(7, 57600, 'N', 8, 1, 128));
        EXPECT_FALSE(second.Status().openFailure.empty());
    }
    channel.ClosePort();
    EXPECT_TRUE(second.OpenPort(7, 57600, 'N', 8, 1, 128)) << second.Status().openFailure;
    second.ClosePort();
    device = underWine() || device.rfind("COM", 0) == 0 ? "COM250" : "/nonexistent/ttyZ9";
    EXPECT_FALSE(channel.OpenPort(4, 57600, 'N', 8, 1, 128));
    EXPECT_EQ(channel.Status().device, device);
    EXPECT_FALSE(channel.Status().openFailure.empty());
    EXPECT_FALSE(channel.Status().accessDenied);
    EXPECT_TRUE(errors.empty()) << errors[0];
}

TEST_F(Channel, FailuresNameTheSystemCallAndCarryItsText)
{
    EXPECT_EQ(CSerialChannel::ErrorText("tcsetattr()", "Invalid argument", 12),
        "WARNING:  tcsetattr() Failed with the following error: \nInvalid argument\nPort: 12\n");
    EXPECT_EQ(CSerialChannel::ErrorText("WriteFile()", std::string(500, 'x'), 3).size(), 199u);
    channel.SendFrame({}, CMD_PROGRAM_DATA); // on a closed port
    ASSERT_EQ(errors.size(), 1u);
    const std::string call = SerialPort::writeCallName();
    EXPECT_EQ(errors[0].rfind("WARNING:  " + call + " Failed with the following error: \n", 0), 0u) << errors[0];
    EXPECT_GT(errors[0].size(), call.size() + 48) << "the system's own text follows";
}

TEST_F(Channel, AReplyQueuedBeforeAWriteIsPurgedByIt)
{
#ifdef _WIN32
    // A read is always outstanding there, and the system fills it while the
    // program is busy: the bytes are the channel's before any purge.
    GTEST_SKIP() << "a reply cannot wait in the system's queue on Windows";
#endif
    SimPort sim({}, 7);
    ASSERT_TRUE(sim.ready()) << sim.why();
    ASSERT_TRUE(open(sim));
    ask();
    // The reply arrives while the owner is busy (no turn of the loop): the next write drops it.
    std::this_thread::sleep_for(150ms);
    ask();
    ASSERT_TRUE(waitFor(1));
    loop.runFor(300ms); // time enough for a reply that was not purged
    EXPECT_EQ(commands, std::vector<std::uint8_t> { CMD_IDENTIFY });
    EXPECT_TRUE(errors.empty()) << errors[0];
}

// The module's reply comes in pieces: in reply-wait (which a new open ends),
// 50 ms of silence drop the incomplete frame; the silence counts, not the frame's time.
TEST_F(Channel, AnIncompleteFrameSilentFor50MsInReplyWaitIsDropped)
{
    struct Case {
        const char* what;
        const char* pause; // between the reply's pieces
        bool replyWait, reopen, delivered;
    };
    for (const Case& c : { Case { "reply-wait, long pauses", "--split-reply=150", true, false, false },
             Case { "no reply-wait", "--split-reply=150", false, false, true },
             Case { "reopened", "--split-reply=150", true, true, true },
             Case { "short pauses, longer than 50 ms in all", "--split-reply=30", true, false, true } }) {
        SCOPED_TRACE(c.what);
        commands.clear();
        SimPort sim({ c.pause }, 7);
        ASSERT_TRUE(sim.ready()) << sim.why();
        ASSERT_TRUE(open(sim));
        if (c.replyWait)
            channel.EnterReplyWait();
        if (c.reopen) {
            ASSERT_TRUE(open(sim));
        }
        ask();
        EXPECT_EQ(waitFor(1, c.delivered ? 2000ms : 600ms), c.delivered);
        channel.ClosePort();
    }
}

TEST_F(Channel, AHangupIsReportedOnceAsPortLost)
{
    SimPort sim({ "--hangup-after", "1" }, 7);
    ASSERT_TRUE(sim.ready()) << sim.why();
    ASSERT_TRUE(open(sim));
    ask();
    EXPECT_TRUE(loop.runUntil([&] { return lost > 0; }, 3000ms));
    EXPECT_FALSE(channel.IsPortOpen());
    loop.runFor(200ms);
    EXPECT_EQ(lost, 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Port: 7"), std::string::npos) << errors[0];
}
