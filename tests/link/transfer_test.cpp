#include "link/ProgramTransfer.h"

#include "LinkFakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

namespace {

struct Transfer : ::testing::Test {
    FakePort port;
    FakeListing listing;
    FakeClock clock;
    ModuleDetection d { port, listing };
    ProgramTransfer t { port, clock };
    std::vector<std::string> boxes;
    int refreshes = 0;
    fs::path dir;
    ResourceFileFacts file;
    std::vector<std::uint8_t> contents;

    void SetUp() override
    {
        t.message = [this](const std::string& m) { boxes.push_back(m); };
        t.refresh = [this] { ++refreshes; };
        dir = fs::temp_directory_path() / ("zarn-transfer-" + std::to_string(::getpid()) + "-"
            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        // An identified module: 24 V4, 4 MiB.
        d.m_linkEnabled = d.m_portOpen = d.m_moduleIdentified = true;
        d.m_comPort = 7;
        d.m_moduleInfo.words = { 3, 0, 2404, 0, 0, 4u << 20, 0, 0, 0 };
        writeFile(12288);
        file = { true, (dir / "a.zrf").string(), 2404, 4096, 2, 8192 };
    }
    void TearDown() override { fs::remove_all(dir); }

    void writeFile(std::size_t size)
    {
        contents.resize(size);
        for (std::size_t i = 0; i < size; ++i)
            contents[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
        std::ofstream(dir / "a.zrf", std::ios::binary).write(reinterpret_cast<const char*>(contents.data()),
            static_cast<std::streamsize>(size));
    }

    std::vector<std::uint8_t> sentData() const
    {
        std::vector<std::uint8_t> data;
        for (const auto& f : port.frames)
            if (f[2] == CMD_PROGRAM_DATA)
                data.insert(data.end(), f.begin() + 3, f.end() - 2);
        return data;
    }
};

} // namespace

TEST_F(Transfer, RefusalsComeInOrderAndChangeNothing)
{
    auto refused = [&](const std::string& expected) {
        EXPECT_EQ(t.programAll(d, file), expected);
        EXPECT_FALSE(t.m_programming);
        EXPECT_TRUE(port.calls.empty());
        EXPECT_TRUE(t.m_image.empty());
    };
    ResourceFileFacts f = file;
    d.m_portOpen = false;
    d.m_moduleIdentified = false;
    file.isOpen = false;
    refused("No module connection!!");
    d.m_portOpen = true;
    refused("Open the module communication port error!!");
    d.m_moduleIdentified = true;
    refused("Not Resource Open");
    file = f;
    file.modelCode = 2804;
    refused("Resource file version does not match the module hardware");
    file.modelCode = 2401; // same size class, other version: accepted by this check
    file.memoryKiB = 8192;
    refused("Resource file version does not match the module hardware");
    file.memoryKiB = 4096;
    file.path = (dir / "missing.zrf").string();
    refused("False");
    file.path = f.path;
    file.itemCount = 0;
    refused("Items not available in the resource file");
}

TEST_F(Transfer, MemorySizesCompareInBytes)
{
    d.m_moduleInfo.words[5] = 16777216;
    file.memoryKiB = 16384;
    EXPECT_EQ(t.programAll(d, file), "");
    ProgramTransfer other { port, clock };
    d.m_moduleInfo.words[5] = 8388608;
    EXPECT_EQ(other.programAll(d, file), "Resource file version does not match the module hardware");
    // A memory size so large that KiB * 1024 wraps in 32 bits must not match.
    ProgramTransfer third { port, clock };
    d.m_moduleInfo.words[5] = 0;
    file.memoryKiB = 4194304;
    EXPECT_EQ(third.programAll(d, file), "Resource file version does not match the module hardware");
}

TEST_F(Transfer, FileEndingAt5000BytesSends256BlocksAndEndsAfterThe257thAck)
{
    file.usedEnd = 8192; // the last item ends at 5000, rounded up to a block
    ASSERT_EQ(t.programAll(d, file), "");
    ASSERT_EQ(port.opens.size(), 1u);
    EXPECT_EQ(port.opens[0].port, 7);
    EXPECT_EQ(port.opens[0].baud, 115200);
    EXPECT_EQ(port.opens[0].buffer, 512u);
    EXPECT_TRUE(port.replyWait);
    EXPECT_EQ(port.calls, (std::vector<std::string> { "OpenPort", "EnterReplyWait", "StartMonitor", "SendFrame" }));
    EXPECT_TRUE(t.m_programming);
    EXPECT_EQ(t.progressMaxKiB(), 8);
    EXPECT_EQ(t.progressKiB(), 0);
    ASSERT_EQ(port.frames.size(), 1u);
    EXPECT_EQ(port.frames[0], (std::vector<std::uint8_t> { 0x55, 0x09, 0x10, 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00, 0x30, 0xAA }));

    // Pressing "Program All" again while it runs changes nothing.
    EXPECT_EQ(t.programAll(d, file), "Programming module...");
    EXPECT_EQ(port.frames.size(), 1u);

    t.onStartAck();
    EXPECT_EQ(port.frames.size(), 2u);
    EXPECT_EQ(t.m_imageSent, 32u);
    int acks = 1;
    while (boxes.empty() && acks < 1000) {
        const auto before = port.frames.size();
        t.onBlockAck();
        ++acks;
        if (t.m_imageSent == 4096 && port.frames.size() == before + 1) {
            EXPECT_EQ(t.m_blocksSent, 1);
            EXPECT_EQ(t.progressKiB(), 4);
        }
        // One frame in flight: each acknowledgement sends at most one frame.
        EXPECT_LE(port.frames.size(), before + 1);
    }
    EXPECT_EQ(acks, 257);
    EXPECT_EQ(boxes, (std::vector<std::string> { "Send Over!!" }));
    EXPECT_EQ(port.frames.size(), 257u); // start + 256 blocks
    for (std::size_t i = 1; i < port.frames.size(); ++i) {
        ASSERT_EQ(port.frames[i].size(), 37u);
        EXPECT_EQ(port.frames[i][1], 0x21);
    }
    EXPECT_EQ(t.m_blocksSent, 2);
    EXPECT_EQ(t.progressKiB(), 8);
    EXPECT_FALSE(t.m_programming);
    EXPECT_TRUE(t.m_image.empty());
    EXPECT_EQ(port.calls.back(), "ClosePort");
    EXPECT_EQ(t.outcome(), ProgramTransfer::Outcome::Completed);
    EXPECT_EQ(sentData(), std::vector<std::uint8_t>(contents.begin(), contents.begin() + 8192));
    // The flags stay: "Program All" may be used again at once.
    EXPECT_TRUE(d.m_moduleIdentified);
    EXPECT_EQ(t.programAll(d, file), "");
}

TEST_F(Transfer, FileShorterThanItsUsedPartIsPaddedWithZeros)
{
    writeFile(5000);
    file.usedEnd = 8192;
    ASSERT_EQ(t.programAll(d, file), "");
    t.onStartAck();
    while (boxes.empty())
        t.onBlockAck();
    auto expected = contents;
    expected.resize(8192, 0);
    EXPECT_EQ(sentData(), expected);
}

TEST_F(Transfer, MissingAcknowledgementFailsAfterThreeSecondsAndReleasesEverything)
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
    EXPECT_FALSE(t.m_programming);
    EXPECT_TRUE(t.m_image.empty());
    EXPECT_EQ(port.calls.back(), "ClosePort");
    EXPECT_EQ(boxes, (std::vector<std::string> { "Programming failed: the module stopped answering" }));
    EXPECT_EQ(port.frames.size(), frames); // nothing resent
    EXPECT_EQ(t.outcome(), ProgramTransfer::Outcome::Failed);
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
    EXPECT_FALSE(t.m_programming);
    EXPECT_EQ(boxes, (std::vector<std::string> { "Programming failed: the module stopped answering" }));
    t.onPortFailure(); // nothing more to stop
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Transfer, PortThatCannotBeOpenedStartsNothing)
{
    port.openSucceeds = false;
    EXPECT_EQ(t.programAll(d, file), "Open the module communication port error!!");
    EXPECT_FALSE(t.m_programming);
    EXPECT_TRUE(t.m_image.empty());
    EXPECT_TRUE(port.frames.empty());
    clock.advance(std::chrono::seconds(10));
    t.checkTimeout();
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Transfer, AcknowledgementsWithoutATransferAreHarmless)
{
    t.onStartAck();
    t.onBlockAck();
    EXPECT_TRUE(port.frames.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Transfer, UsedPartEndingOnABlockBoundarySendsNoExtraBlock)
{
    file.usedEnd = 12288;
    ASSERT_EQ(t.programAll(d, file), "");
    EXPECT_EQ(t.progressMaxKiB(), 12);
    t.onStartAck();
    while (boxes.empty())
        t.onBlockAck();
    EXPECT_EQ(sentData().size(), 12288u);
    EXPECT_EQ(t.m_blocksSent, 3);
}

TEST_F(Transfer, DispatchRoutesByCommand)
{
    ASSERT_EQ(t.programAll(d, file), "");
    FramePayload start(CMD_PROGRAM_START, {});
    dispatchFrame(d, t, start);
    EXPECT_EQ(port.frames.size(), 2u);
    FramePayload block(CMD_PROGRAM_DATA, {});
    dispatchFrame(d, t, block);
    EXPECT_EQ(port.frames.size(), 3u);
    FramePayload other(0x33, {});
    dispatchFrame(d, t, other); // only refreshes
    EXPECT_EQ(port.frames.size(), 3u);
    const std::vector<std::uint8_t> words(36, 0);
    FramePayload ident(CMD_IDENTIFY, words);
    dispatchFrame(d, t, ident);
    EXPECT_EQ(d.m_moduleInfo.typeCode(), 0u);
}
