#include "link/ModuleDetection.h"

#include "LinkFakes.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

namespace {

std::vector<std::uint8_t> replyPayload(std::array<std::uint32_t, 9> words)
{
    std::vector<std::uint8_t> p;
    for (auto w : words)
        for (int i = 0; i < 4; ++i)
            p.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    return p;
}

struct Detection : ::testing::Test {
    FakePort port;
    FakeListing listing;
    ModuleDetection d { port, listing };
    int refreshes = 0;
    void SetUp() override { d.refresh = [this] { ++refreshes; }; }

    void identify(std::array<std::uint32_t, 9> words)
    {
        const auto p = replyPayload(words);
        FramePayload f(CMD_IDENTIFY, p);
        d.onIdentification(f);
    }
    std::tuple<bool, bool, bool> flags() const { return { d.m_linkEnabled, d.m_portOpen, d.m_moduleIdentified }; }
};

const std::vector<std::uint8_t> kRequest = encodeFrame(CMD_IDENTIFY, std::vector<std::uint8_t> { 'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n' });

} // namespace

TEST_F(Detection, StartsOffAndDoesNothingUntilAPortIsConfirmed)
{
    EXPECT_EQ(flags(), std::make_tuple(false, false, false));
    EXPECT_EQ(d.m_comPort, 3);
    EXPECT_EQ(d.m_moduleStatus, "Module Connection information output...");
    listing.answers[3] = PortPresence::Listed;
    for (int i = 0; i < 5; ++i)
        d.timerStep();
    EXPECT_EQ(listing.queries, 0);
    EXPECT_TRUE(port.calls.empty());
}

TEST_F(Detection, OpensOnFirstTickAndAsksOnTheNext)
{
    listing.answers[5] = PortPresence::Listed;
    d.selectPort(5);
    EXPECT_EQ(flags(), std::make_tuple(true, false, false));
    EXPECT_EQ(d.m_moduleStatus, "No module connection");
    EXPECT_EQ(refreshes, 1);

    d.timerStep(); // Waiting -> Polling: opened, nothing sent yet
    ASSERT_EQ(port.opens.size(), 1u);
    EXPECT_EQ(port.opens[0].port, 5);
    EXPECT_EQ(port.opens[0].baud, 57600);
    EXPECT_EQ(port.opens[0].parity, 'N');
    EXPECT_EQ(port.opens[0].data, 8);
    EXPECT_EQ(port.opens[0].stop, 1);
    EXPECT_EQ(port.opens[0].buffer, 128u);
    EXPECT_EQ(port.monitorStarts, 1);
    EXPECT_TRUE(port.frames.empty());
    EXPECT_EQ(flags(), std::make_tuple(true, true, false));

    d.timerStep();
    d.timerStep(); // no limit, one request per tick
    ASSERT_EQ(port.frames.size(), 2u);
    EXPECT_EQ(port.frames[0], kRequest);
    EXPECT_EQ(port.opens.size(), 1u);
}

TEST_F(Detection, PortNotListedOrOpenRefusedIsRetriedSilently)
{
    d.selectPort(4);
    d.timerStep();
    EXPECT_TRUE(port.opens.empty());
    listing.answers[4] = PortPresence::Listed;
    port.openSucceeds = false;
    d.timerStep();
    EXPECT_EQ(port.opens.size(), 1u);
    EXPECT_EQ(port.monitorStarts, 0);
    EXPECT_EQ(flags(), std::make_tuple(true, false, false));
    port.openSucceeds = true;
    d.timerStep();
    EXPECT_EQ(flags(), std::make_tuple(true, true, false));
    EXPECT_EQ(d.m_moduleStatus, "No module connection");
}

TEST_F(Detection, IdentificationFillsInfoShowsThreeLinesAndClosesThePort)
{
    listing.answers[3] = PortPresence::Listed;
    d.selectPort(3);
    d.timerStep();
    d.timerStep();
    refreshes = 0;
    identify({ 3, 111, 2404, 333, 444, 4194304, 666, 777, 888 });
    EXPECT_EQ(flags(), std::make_tuple(true, true, true));
    EXPECT_EQ(d.m_moduleStatus, "Module connection...\r\nModule Type:Zarn24 V4\r\nFirmware version:Ver3");
    EXPECT_EQ(d.m_moduleInfo.words, (std::array<std::uint32_t, 9> { 3, 111, 2404, 333, 444, 4194304, 666, 777, 888 }));
    EXPECT_EQ(d.m_moduleInfo.memoryBytes(), 4194304u);
    EXPECT_EQ(port.closes, 1);
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(port.calls.back(), "ClosePort");

    // Identified: ticks only re-check the listing, nothing is sent.
    const auto sent = port.frames.size();
    const int queries = listing.queries;
    d.timerStep();
    d.timerStep();
    EXPECT_EQ(port.frames.size(), sent);
    EXPECT_EQ(listing.queries, queries + 2);
    EXPECT_EQ(flags(), std::make_tuple(true, true, true));
}

TEST_F(Detection, OtherTypeCodeAndFirmware)
{
    identify({ 12, 0, 5008, 0, 0, 0, 0, 0, 0 });
    EXPECT_EQ(d.m_moduleStatus, "Module connection...\r\nModule Type:Zarn50 V8\r\nFirmware version:Ver12");
}

TEST_F(Detection, ReplyWithNoRequestOutstandingStillIdentifies)
{
    identify({ 1, 0, 3502, 0, 0, 8388608, 0, 0, 0 });
    EXPECT_TRUE(d.m_portOpen);
    EXPECT_TRUE(d.m_moduleIdentified);
}

TEST_F(Detection, ShortReplyReadsZerosInsteadOfBytesBeyondIt)
{
    const std::vector<std::uint8_t> shortPayload { 7, 0, 0, 0, 0, 0, 0, 0, 0x64, 0x09 };
    FramePayload f(CMD_IDENTIFY, shortPayload);
    d.onIdentification(f);
    EXPECT_EQ(d.m_moduleInfo.firmwareVersion(), 7u);
    EXPECT_EQ(d.m_moduleInfo.typeCode(), 0x0964u);
    EXPECT_EQ(d.m_moduleInfo.memoryBytes(), 0u);
}

TEST_F(Detection, PortVanishingOrKeyFailingReturnsToWaiting)
{
    listing.answers[3] = PortPresence::Listed;
    d.selectPort(3);
    d.timerStep();
    identify({ 3, 0, 2404, 0, 0, 4194304, 0, 0, 0 });
    listing.answers.erase(3); // unplugged
    refreshes = 0;
    d.timerStep();
    EXPECT_EQ(flags(), std::make_tuple(true, false, false));
    EXPECT_EQ(d.m_moduleStatus, "No module connection");
    EXPECT_EQ(refreshes, 1);
    const int closes = port.closes;

    listing.answers[3] = PortPresence::Listed; // plugged back in: new open, new requests
    d.timerStep();
    EXPECT_EQ(port.opens.size(), 2u);
    d.timerStep();
    EXPECT_EQ(port.frames.back(), kRequest);
    EXPECT_EQ(port.closes, closes); // the channel is not touched when the port goes

    listing.keyFails = true;
    d.timerStep();
    EXPECT_EQ(flags(), std::make_tuple(true, false, false));
    EXPECT_EQ(d.m_moduleStatus, "No module connection");
}

TEST_F(Detection, ConfirmingAPortAgainRestartsFromWaiting)
{
    listing.answers[3] = PortPresence::Listed;
    d.selectPort(3);
    d.timerStep();
    identify({ 3, 0, 2404, 0, 0, 4194304, 0, 0, 0 });
    d.selectPort(3);
    EXPECT_EQ(flags(), std::make_tuple(true, false, false));
    EXPECT_EQ(d.m_moduleStatus, "No module connection");
    d.timerStep();
    d.timerStep();
    EXPECT_EQ(port.opens.size(), 2u);
    EXPECT_EQ(port.frames.size(), 1u);
}

TEST(PortName, NumberAfterTheFirstMInAnUnsignedByte)
{
    EXPECT_EQ(portNumberFromName("COM12"), 12);
    EXPECT_EQ(portNumberFromName("COM3"), 3);
    EXPECT_EQ(portNumberFromName("COM259"), 3);
    EXPECT_EQ(portNumberFromName("ttyS0"), -1);
    EXPECT_EQ(portNumberFromName("COM"), 0);
}

TEST_F(Detection, PollingOnAChannelClosedElsewhereReopensInsteadOfWritingIntoIt)
{
    listing.answers[3] = PortPresence::Listed;
    d.selectPort(3);
    d.timerStep();
    port.ClosePort(); // a transfer ended and closed the channel meanwhile
    d.timerStep();
    EXPECT_TRUE(port.frames.empty());
    EXPECT_EQ(flags(), std::make_tuple(true, false, false));
    d.timerStep();
    EXPECT_EQ(port.opens.size(), 2u);
    d.timerStep();
    EXPECT_EQ(port.frames.size(), 1u);
}
