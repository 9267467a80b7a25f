// CSerialChannel against a pseudo-terminal whose other end the test plays.
#include "EventLoop.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "link/qt/CSerialChannel.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>

using namespace zarn;
using namespace zarn::test;

namespace {

struct Channel : ::testing::Test {
    int module = -1; // the pseudo-terminal's other end
    std::string device;
    CSerialChannel channel;
    std::vector<std::uint8_t> commands; // of the frames delivered
    std::vector<std::string> errors;
    int lost = 0;

    void SetUp() override
    {
        eventLoop();
        int tty = -1;
        char name[256] = {};
        ASSERT_EQ(::openpty(&module, &tty, name, nullptr, nullptr), 0);
        ::close(tty);
        ::fcntl(module, F_SETFL, ::fcntl(module, F_GETFL) | O_NONBLOCK);
        channel.SetDevicePath(device = name);
        channel.onFrame = [this](FramePayload& f) { commands.push_back(f.command()); };
        channel.onError = [this](const std::string& text) { errors.push_back(text); };
        channel.onPortLost = [this] { ++lost; };
    }
    ~Channel() override { ::close(module); }
    bool open() { return channel.OpenPort(7, 115200, 'N', 8, 1, 512) && channel.StartMonitor(); }
    void moduleWrites(const Bytes& bytes)
    {
        ASSERT_EQ(::write(module, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
};

} // namespace

TEST_F(Channel, OpensExclusivelyAndOnlyAnExistingDevice)
{
    ASSERT_TRUE(open());
    CSerialChannel second;
    second.SetDevicePath(device);
    EXPECT_FALSE(second.OpenPort(7, 57600, 'N', 8, 1, 128));
    channel.ClosePort();
    EXPECT_TRUE(second.OpenPort(7, 57600, 'N', 8, 1, 128));
    channel.SetDevicePath("/nonexistent/ttyZ9");
    EXPECT_FALSE(channel.OpenPort(4, 57600, 'N', 8, 1, 128));
    EXPECT_TRUE(errors.empty());
}

TEST_F(Channel, FailuresAreReportedWithTheWarningTextCutTo200Bytes)
{
    EXPECT_EQ(CSerialChannel::ErrorText("SetCommState()", "The parameter is incorrect.", 12),
        "WARNING:  SetCommState() Failed with the following error: \nThe parameter is incorrect.\nPort: 12\n");
    EXPECT_EQ(CSerialChannel::ErrorText("WriteFile()", std::string(500, 'x'), 3).size(), 199u);
    channel.SendFrame({}, CMD_PROGRAM_DATA); // on a closed port
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("WARNING:  WriteFile() Failed with the following error: \n", 0), 0u) << errors[0];
}

TEST_F(Channel, WhatWasQueuedIsPurgedBeforeEachWrite)
{
    ASSERT_TRUE(open());
    // Arrives while the owner is busy (no turn of the event loop): the write drops it.
    moduleWrites(encodeFrame(CMD_PROGRAM_START, {}));
    ::usleep(30000);
    channel.SendFrame(kIdentificationRequest, CMD_IDENTIFY);
    Bytes written;
    spinUntil(
        [&] {
            std::uint8_t buf[64];
            written.insert(written.end(), buf, buf + std::max<ssize_t>(::read(module, buf, sizeof buf), 0));
            return written.size() >= 13;
        },
        1000);
    spinFor(60); // time enough for a frame that was not purged to be delivered
    EXPECT_EQ(written, encodeFrame(CMD_IDENTIFY, kIdentificationRequest));
    EXPECT_TRUE(commands.empty()) << "a frame queued before the write was not purged";
}

// A frame written in pieces: in reply-wait (which a new open ends), 50 ms of
// silence drops the incomplete frame; the silence counts, not the frame's time.
TEST_F(Channel, AnIncompleteFrameSilentFor50MsInReplyWaitIsDropped)
{
    struct Case {
        const char* what;
        bool replyWait, reopen;
        std::size_t piece;
        int pauseMs;
        bool delivered;
    };
    for (const Case& c : { Case { "reply-wait, long pauses", true, false, 10, 120, false },
             Case { "no reply-wait", false, false, 10, 120, true }, Case { "reopened", true, true, 10, 120, true },
             Case { "short pauses, longer than 50 ms in all", true, false, 8, 20, true } }) {
        SCOPED_TRACE(c.what);
        commands.clear();
        ASSERT_TRUE(open());
        if (c.replyWait)
            channel.EnterReplyWait();
        if (c.reopen) {
            ASSERT_TRUE(open());
        }
        const Bytes frame = encodeFrame(CMD_PROGRAM_DATA, Bytes(32, 0x42));
        for (std::size_t at = 0; at < frame.size(); at += c.piece) {
            spinFor(at > 0 ? c.pauseMs : 0);
            moduleWrites(Bytes(frame.begin() + long(at), frame.begin() + long(std::min(at + c.piece, frame.size()))));
        }
        EXPECT_EQ(spinUntil([&] { return !commands.empty(); }, c.delivered ? 1000 : 120), c.delivered);
        moduleWrites(encodeFrame(CMD_PROGRAM_START, {})); // the next frame is taken from its first byte
        ASSERT_TRUE(spinUntil([&] { return commands.size() == 1u + c.delivered; }, 1000));
        EXPECT_EQ(commands.back(), CMD_PROGRAM_START);
    }
}

TEST_F(Channel, AHangupIsReportedOnceAsPortLost)
{
    ASSERT_TRUE(open());
    ::close(module);
    module = -1;
    EXPECT_TRUE(spinUntil([&] { return lost > 0; }, 2000));
    EXPECT_FALSE(channel.IsPortOpen());
    spinFor(100);
    EXPECT_EQ(lost, 1);
    EXPECT_LE(errors.size(), 1u);
}
