// CSerialChannel against a pseudo-terminal whose other end the test plays.
#include "link/FrameCodec.h"
#include "link/qt/CSerialChannel.h"
#include "link/qt/SerialPortListing.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pty.h>
#include <unistd.h>

using namespace zarn;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

void app()
{
    static int argc = 1;
    static char arg0[] = "serial_test";
    static char* argv[] = { arg0, nullptr };
    static QCoreApplication instance(argc, argv);
}

// Runs the event loop until `done` or `ms` have passed.
bool spinUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(1000);
    }
    return done();
}
void spinFor(int ms) { spinUntil([] { return false; }, ms); }

struct Received {
    std::uint8_t command;
    Bytes payload;
};

class Channel : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(::openpty(&m_master, &slave, name, nullptr, nullptr), 0);
        m_slaveName = name;
        ::close(slave);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_channel.SetDevicePath(m_slaveName);
        m_channel.onFrame = [this](FramePayload& f) {
            m_frames.push_back({ f.command(), Bytes(f.payload().begin(), f.payload().end()) });
            if (m_inDelivery)
                m_inDelivery(f);
        };
        m_channel.onError = [this](const std::string& text) { m_errors.push_back(text); };
        m_channel.onPortLost = [this] { ++m_lost; };
    }
    void TearDown() override
    {
        m_channel.ClosePort();
        if (m_master >= 0)
            ::close(m_master);
    }

    void moduleWrites(const Bytes& bytes) { ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

    // What the channel wrote, gathered for up to a second.
    Bytes moduleReads(std::size_t expected)
    {
        Bytes got;
        spinUntil([&] {
            std::uint8_t buf[512];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            got.insert(got.end(), buf, buf + std::max<ssize_t>(n, 0));
            return got.size() >= expected;
        }, 1000);
        return got;
    }

    bool open() { return m_channel.OpenPort(7, 115200, 'N', 8, 1, 512) && m_channel.StartMonitor(); }

    int m_master = -1;
    std::string m_slaveName;
    CSerialChannel m_channel;
    std::vector<Received> m_frames;
    std::vector<std::string> m_errors;
    std::function<void(FramePayload&)> m_inDelivery;
    int m_lost = 0;
};

} // namespace

TEST_F(Channel, AbsentOrBusyDeviceCannotBeOpenedAndNothingIsReported)
{
    ASSERT_TRUE(open());
    CSerialChannel second; // the port is opened exclusively
    second.SetDevicePath(m_slaveName);
    EXPECT_FALSE(second.OpenPort(7, 57600, 'N', 8, 1, 128));
    m_channel.ClosePort();
    EXPECT_TRUE(second.OpenPort(7, 57600, 'N', 8, 1, 128));
    m_channel.SetDevicePath("/nonexistent/ttyZ9");
    EXPECT_FALSE(m_channel.OpenPort(4, 57600, 'N', 8, 1, 128));
    EXPECT_FALSE(m_channel.IsPortOpen());
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(Channel, FailuresAreReportedWithTheWarningText)
{
    EXPECT_EQ(CSerialChannel::ErrorText("SetCommState()", "The parameter is incorrect.", 12),
        "WARNING:  SetCommState() Failed with the following error: \nThe parameter is incorrect.\nPort: 12\n");
    EXPECT_EQ(CSerialChannel::ErrorText("WriteFile()", std::string(500, 'x'), 3).size(), 199u); // cut to 200 bytes
    m_channel.SendFrame({}, 0x12); // on a closed port
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0].rfind("WARNING:  WriteFile() Failed with the following error: \n", 0), 0u);
    // An impossible setting is reported and the port still used.
    EXPECT_TRUE(m_channel.OpenPort(7, 115200, 'X', 8, 1, 512));
    ASSERT_EQ(m_errors.size(), 2u);
    EXPECT_EQ(m_errors[1].rfind("WARNING:  BuildCommDCB() Failed with the following error: \n", 0), 0u) << m_errors[1];
    EXPECT_NE(m_errors[1].find("\nPort: 7\n"), std::string::npos);
    m_channel.StartMonitor();
    m_channel.SendFrame({}, 0x12);
    EXPECT_EQ(moduleReads(5), (Bytes { 0x55, 0x01, 0x12, 0x12, 0xAA }));
}

TEST_F(Channel, SendFrameWritesTheFrameAfterPurgingWhatWasQueued)
{
    ASSERT_TRUE(m_channel.OpenPort(7, 57600, 'N', 8, 1, 128));
    m_channel.StartMonitor();
    // Arrives while the owner is busy (no event loop turn): the write drops it.
    moduleWrites(encodeFrame(0x10, {}));
    ::usleep(30000);
    const Bytes sig { 'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n' };
    m_channel.SendFrame(sig, CMD_IDENTIFY);
    EXPECT_EQ(m_channel.LastWrittenLength(), 13);
    EXPECT_EQ(moduleReads(13), encodeFrame(CMD_IDENTIFY, sig));
    spinFor(60);
    EXPECT_TRUE(m_frames.empty()) << "a frame queued before the write was not purged";
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(Channel, FrameInPiecesIsDeliveredOnceWithItsPayloadAndASecondFrameInTheSameReadDropped)
{
    ASSERT_TRUE(open());
    Bytes payload(36, 0x55);
    payload[21] = 0xAA; // start and end values inside the payload
    const Bytes frame = encodeFrame(0x00, payload);
    moduleWrites(Bytes(frame.begin(), frame.begin() + 2));
    spinFor(10);
    moduleWrites(Bytes(frame.begin() + 2, frame.end() - 1));
    spinFor(10);
    EXPECT_TRUE(m_frames.empty());
    Bytes last { frame.back() };
    for (auto b : encodeFrame(0x12, {}))
        last.push_back(b);
    moduleWrites(last);
    ASSERT_TRUE(spinUntil([&] { return !m_frames.empty(); }, 1000));
    spinFor(60);
    ASSERT_EQ(m_frames.size(), 1u);
    EXPECT_EQ(m_frames[0].command, 0x00);
    EXPECT_EQ(m_frames[0].payload, payload);
}

TEST_F(Channel, ClosingInsideADeliveryIsSafeAndAReopenWorksAtOnce)
{
    ASSERT_TRUE(open());
    m_inDelivery = [this](FramePayload& f) {
        EXPECT_EQ(f.NextPayloadWord(), 0x04030201u);
        m_channel.SendFrame({}, 0x12); // the next frame goes out from inside, as the transfer does
        m_channel.ClosePort();
    };
    moduleWrites(encodeFrame(0x10, Bytes { 1, 2, 3, 4 }));
    ASSERT_TRUE(spinUntil([&] { return !m_frames.empty(); }, 1000));
    EXPECT_EQ(moduleReads(5), (Bytes { 0x55, 0x01, 0x12, 0x12, 0xAA }));
    EXPECT_FALSE(m_channel.IsPortOpen());
    moduleWrites(encodeFrame(0x10, {}));
    spinFor(60);
    EXPECT_EQ(m_frames.size(), 1u);

    m_inDelivery = nullptr;
    ASSERT_TRUE(open());
    moduleWrites(encodeFrame(0x12, {}));
    ASSERT_TRUE(spinUntil([&] { return m_frames.size() == 2; }, 1000));
    EXPECT_EQ(m_frames[1].command, 0x12);
}

TEST_F(Channel, HangupOfTheOtherEndIsReportedAsPortLost)
{
    ASSERT_TRUE(open());
    ::close(m_master);
    m_master = -1;
    EXPECT_TRUE(spinUntil([&] { return m_lost > 0; }, 2000));
    EXPECT_FALSE(m_channel.IsPortOpen());
    spinFor(100);
    EXPECT_EQ(m_lost, 1);
    EXPECT_LE(m_errors.size(), 1u); // at most once, not on every turn of the loop
}

TEST(PortListing, LinksInThePortFolderAreListedAndAnUnreadableFolderIsReported)
{
    app();
    char tmpl[] = "/tmp/zarn-listing-XXXXXX";
    const fs::path dir = mkdtemp(tmpl);
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    fs::create_symlink(name, dir / "COM9");
    fs::create_symlink("/nonexistent/ttyQ", dir / "COM10");
    ::setenv("ZARN_PORT_DIR", dir.c_str(), 1);
    SerialPortListing listing;
    EXPECT_EQ(listing.FindListedPort(9), PortPresence::Listed);
    EXPECT_EQ(listing.FindListedPort(9 + 256), PortPresence::Listed); // agrees in the low eight bits
    EXPECT_EQ(listing.FindListedPort(10), PortPresence::NotListed);
    EXPECT_EQ(listing.FindListedPort(16), PortPresence::NotListed);
    EXPECT_EQ(devicePathForPort(9), (dir / "COM9").string());

    // The channel opens a port through its number.
    CSerialChannel channel;
    EXPECT_TRUE(channel.OpenPort(9, 57600, 'N', 8, 1, 128));
    channel.ClosePort();
    EXPECT_FALSE(channel.OpenPort(10, 57600, 'N', 8, 1, 128));

    const fs::path file = dir / "not-a-folder";
    std::ofstream(file) << "x";
    ::setenv("ZARN_PORT_DIR", file.c_str(), 1);
    EXPECT_EQ(listing.FindListedPort(9), PortPresence::KeyNotOpened);
    ::unsetenv("ZARN_PORT_DIR");
    ::close(master);
    ::close(slave);
    fs::remove_all(dir);
}

TEST_F(Channel, OwnerMayDestroyTheChannelWhileHandlingAFrame)
{
    auto* channel = new CSerialChannel;
    channel->SetDevicePath(m_slaveName);
    int delivered = 0;
    channel->onFrame = [&](FramePayload&) {
        ++delivered;
        delete channel;
    };
    ASSERT_TRUE(channel->OpenPort(7, 57600, 'N', 8, 1, 128));
    channel->StartMonitor();
    moduleWrites(encodeFrame(0x10, {}));
    EXPECT_TRUE(spinUntil([&] { return delivered == 1; }, 1000));
    spinFor(20);
}

// A frame written in pieces with pauses between them: in reply-wait, 50 ms of
// silence drops the partial frame (the silence counts, not the frame's whole time).
struct PacedCase {
    bool replyWait, reopen;
    std::size_t piece;
    int pauseMs;
    bool delivered;
};

class PacedFrame : public Channel, public ::testing::WithParamInterface<PacedCase> { };

TEST_P(PacedFrame, IsDeliveredUnlessBrokenBySilenceInReplyWait)
{
    const PacedCase& c = GetParam();
    ASSERT_TRUE(open());
    if (c.replyWait)
        m_channel.EnterReplyWait();
    if (c.reopen) {
        ASSERT_TRUE(open()); // reopening clears reply-wait
    }
    const Bytes frame = encodeFrame(0x12, Bytes(32, 0x42));
    for (std::size_t at = 0; at < frame.size(); at += c.piece) {
        if (at > 0)
            spinFor(c.pauseMs);
        moduleWrites(Bytes(frame.begin() + long(at), frame.begin() + long(std::min(at + c.piece, frame.size()))));
    }
    EXPECT_EQ(spinUntil([&] { return !m_frames.empty(); }, c.delivered ? 1000 : 120), c.delivered);
    if (c.delivered) {
        EXPECT_EQ(m_frames[0].payload, Bytes(32, 0x42));
    } else { // the next frame is received from its first byte
        moduleWrites(encodeFrame(0x10, {}));
        ASSERT_TRUE(spinUntil([&] { return !m_frames.empty(); }, 1000));
        EXPECT_EQ(m_frames[0].command, 0x10);
    }
}

INSTANTIATE_TEST_SUITE_P(Channel, PacedFrame,
    ::testing::Values(PacedCase { true, false, 10, 120, false }, PacedCase { false, false, 10, 120, true },
        PacedCase { true, true, 10, 120, true }, PacedCase { true, false, 8, 20, true }));
