#include "link/ProgramTransfer.h"

#include "LinkFakes.h"

#include <gtest/gtest.h>


using namespace zarn;
using namespace zarn::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::string kMismatch = "Resource file version does not match the module hardware";
const std::string kStopped = "Programming failed: the module stopped answering";

struct Transfer : ::testing::Test {
    FakePort port;
    FakeListing listing;
    FakeClock clock;
    ModuleDetection d { port, listing };
    ProgramTransfer t { port, clock };
    std::vector<std::string> boxes;
    ResourceFileFacts file { true, "a.zrf", 2404, 4096, 2, 8192, {}, {} };
    Bytes contents;

    void SetUp() override
    {
        t.message = [this](const std::string& m) { boxes.push_back(m); };
        // An identified module: 24 V4, 4 MiB.
        d.m_linkEnabled = d.m_portOpen = d.m_moduleIdentified = true;
        d.m_comPort = 7;
        d.m_moduleInfo.words = { 3, 0, 2404, 0, 0, 4u << 20, 0, 0, 0 };
        setImage(8192);
    }

    // The used part of the file as the store read it.
    void setImage(std::size_t usedEnd)
    {
        contents.resize(usedEnd);
        for (std::size_t i = 0; i < usedEnd; ++i)
            contents[i] = std::uint8_t(i * 7 + i / 256);
        file.usedEnd = static_cast<std::uint32_t>(usedEnd);
        file.image = contents;
    }
    Bytes sentData() const
    {
        Bytes data;
        for (const auto& f : port.frames)
            if (f[2] == CMD_PROGRAM_DATA)
                data.insert(data.end(), f.begin() + 3, f.end() - 2);
        return data;
    }
    void expectStoppedAndReleased()
    {
        EXPECT_FALSE(t.m_programming);
        EXPECT_TRUE(t.m_image.empty());
        EXPECT_EQ(port.calls.back(), "ClosePort");
        EXPECT_EQ(boxes, std::vector { kStopped });
        EXPECT_EQ(t.outcome(), ProgramTransfer::Outcome::Failed);
    }
};

} // namespace

TEST_F(Transfer, RefusalsComeInOrderAndChangeNothing)
{
    const ResourceFileFacts good = file;
    auto refused = [&](const std::string& expected) {
        EXPECT_EQ(t.programAll(d, file), expected);
        EXPECT_FALSE(t.m_programming);
        EXPECT_TRUE(port.calls.empty());
        EXPECT_TRUE(t.m_image.empty());
    };
    d.m_portOpen = d.m_moduleIdentified = file.isOpen = false;
    refused("No module connection!!");
    d.m_portOpen = true;
    refused("Open the module communication port error!!");
    d.m_moduleIdentified = true;
    refused("Not Resource Open");
    file = good;
    file.modelCode = 2804;
    refused(kMismatch);
    file.modelCode = 2401; // same size class, other version: accepted by this check
    file.memoryKiB = 8192;
    refused(kMismatch);
    file.memoryKiB = 4096;
    file.imageError = "False"; // the file could not be opened
    refused("False");
    file.imageError.clear();
    file.itemCount = 0;
    refused("Items not available in the resource file");
    file.itemCount = 2;
    file.image.resize(5000); // never made up with zeros
    refused("False");
}

TEST_F(Transfer, MemorySizesCompareInBytes)
{
    // Module bytes, file KiB; a size so large that KiB * 1024 wraps in 32 bits must not match.
    for (const auto& [bytes, kib, accepted] : { std::tuple { 16777216u, 16384u, true }, { 8388608u, 16384u, false }, { 0u, 4194304u, false } }) {
        ProgramTransfer fresh { port, clock };
        d.m_moduleInfo.words[5] = bytes;
        file.memoryKiB = kib;
        EXPECT_EQ(fresh.programAll(d, file), accepted ? "" : kMismatch) << bytes;
    }
}

TEST_F(Transfer, FileEndingAt5000BytesSends256BlocksAndEndsAfterThe257thAck)
{
    ASSERT_EQ(t.programAll(d, file), ""); // the last item ends at 5000, rounded up to a block
    ASSERT_EQ(port.opens.size(), 1u);
    EXPECT_EQ(std::make_tuple(port.opens[0].port, port.opens[0].baud, port.opens[0].buffer), std::make_tuple(7, 115200, std::size_t(512)));
    EXPECT_EQ(port.calls, (std::vector<std::string> { "OpenPort", "EnterReplyWait", "StartMonitor", "SendFrame" }));
    EXPECT_TRUE(t.m_programming);
    EXPECT_EQ(t.progressMaxKiB(), 8);
    EXPECT_EQ(t.progressKiB(), 0);
    EXPECT_EQ(port.frames, (std::vector<Bytes> { Bytes { 0x55, 0x09, 0x10, 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00, 0x30, 0xAA } }));
    // Pressing "Program All" again while it runs changes nothing.
    EXPECT_EQ(t.programAll(d, file), "Programming module...");
    EXPECT_EQ(port.frames.size(), 1u);

    t.onStartAck();
    EXPECT_EQ(t.m_imageSent, 32u);
    int acks = 1;
    while (boxes.empty() && acks < 1000) {
        const auto before = port.frames.size();
        t.onBlockAck();
        ++acks;
        if (t.m_imageSent == 4096 && port.frames.size() == before + 1) {
            EXPECT_EQ(std::make_pair(t.m_blocksSent, t.progressKiB()), std::make_pair(1, 4));
        }
        EXPECT_LE(port.frames.size(), before + 1); // one frame in flight
    }
    EXPECT_EQ(acks, 257);
    EXPECT_EQ(boxes, std::vector<std::string> { "Send Over!!" });
    ASSERT_EQ(port.frames.size(), 257u); // start + 256 blocks
    for (std::size_t i = 1; i < port.frames.size(); ++i)
        EXPECT_EQ(std::make_pair(port.frames[i].size(), port.frames[i][1]), std::make_pair(std::size_t(37), std::uint8_t(0x21)));
    EXPECT_EQ(std::make_pair(t.m_blocksSent, t.progressKiB()), std::make_pair(2, 8));
    EXPECT_FALSE(t.m_programming);
    EXPECT_TRUE(t.m_image.empty());
    EXPECT_EQ(port.calls.back(), "ClosePort");
    EXPECT_EQ(t.outcome(), ProgramTransfer::Outcome::Completed);
    EXPECT_EQ(sentData(), contents);
    // The flags stay: "Program All" may be used again at once.
    EXPECT_TRUE(d.m_moduleIdentified);
    EXPECT_EQ(t.programAll(d, file), "");
}

TEST_F(Transfer, ALastItemEndingOnABlockBoundarySendsNoExtraBlock)
{
    setImage(12288);
    ASSERT_EQ(t.programAll(d, file), "");
    EXPECT_EQ(t.progressMaxKiB(), 12);
    t.onStartAck();
    while (boxes.empty())
        t.onBlockAck();
    EXPECT_EQ(sentData(), contents);
    EXPECT_EQ(t.m_blocksSent, 3);
}

TEST_F(Transfer, MissingAcknowledgementFailsAfterThreeSecondsAndNothingIsResent)
{
    ASSERT_EQ(t.programAll(d, file), "");
    t.onStartAck();
    t.onBlockAck();
    clock.advance(std::chrono::milliseconds(2999));
    t.checkTimeout();
    EXPECT_TRUE(t.m_programming);
    EXPECT_TRUE(boxes.empty());
    t.onBlockAck(); // an acknowledgement restarts the wait
    clock.advance(std::chrono::milliseconds(2999));
    t.checkTimeout();
    EXPECT_TRUE(t.m_programming);
    const auto frames = port.frames.size();
    clock.advance(std::chrono::milliseconds(1));
    t.checkTimeout();
    expectStoppedAndReleased();
    // Late acknowledgements after the failure send nothing.
    t.onBlockAck();
    t.onStartAck();
    EXPECT_EQ(port.frames.size(), frames);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Transfer, PortFailureStopsTheTransfer)
{
    ASSERT_EQ(t.programAll(d, file), "");
    t.onStartAck();
    t.onPortFailure();
    expectStoppedAndReleased();
    t.onPortFailure(); // nothing more to stop
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Transfer, PortThatCannotBeOpenedStartsNothingAndLateAcksAreHarmless)
{
    port.openSucceeds = false;
    EXPECT_EQ(t.programAll(d, file), "Open the module communication port error!!");
    EXPECT_FALSE(t.m_programming);
    EXPECT_TRUE(t.m_image.empty());
    t.onStartAck();
    t.onBlockAck();
    EXPECT_TRUE(port.frames.empty());
    clock.advance(std::chrono::seconds(10));
    t.checkTimeout();
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Transfer, DispatchRoutesByCommand)
{
    ASSERT_EQ(t.programAll(d, file), "");
    std::size_t expected = 1;
    for (std::uint8_t command : { CMD_PROGRAM_START, CMD_PROGRAM_DATA, std::uint8_t(0x33) }) {
        FramePayload f(command, {});
        dispatchFrame(d, t, f);
        expected += command == 0x33 ? 0 : 1; // another command only refreshes
        EXPECT_EQ(port.frames.size(), expected) << int(command);
    }
    const Bytes words(36, 0);
    FramePayload ident(CMD_IDENTIFY, words);
    dispatchFrame(d, t, ident);
    EXPECT_EQ(d.m_moduleInfo.typeCode(), 0u);
}
