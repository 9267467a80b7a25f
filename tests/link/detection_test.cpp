#include "link/ModuleDetection.h"

#include "LinkFakes.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

namespace {

using Words = std::array<std::uint32_t, 9>;

void identify(ModuleDetection& d, const Words& words)
{
    std::vector<std::uint8_t> p;
    for (auto w : words)
        for (int i = 0; i < 4; ++i)
            p.push_back(std::uint8_t(w >> (8 * i)));
    FramePayload f(CMD_IDENTIFY, p);
    d.onIdentification(f);
}

struct Detection : ::testing::Test {
    FakePort port;
    FakeListing listing;
    ModuleDetection d { port, listing };
    int refreshes = 0;
    void SetUp() override { d.refresh = [this] { ++refreshes; }; }

    // The port is listed and confirmed; the first tick opens it.
    void confirmAndOpen(int n = 3)
    {
        listing.answers[n] = PortPresence::Listed;
        d.selectPort(n);
        d.timerStep();
    }
    void ticks(int n)
    {
        while (n-- > 0)
            d.timerStep();
    }
    std::tuple<bool, bool, bool> flags() const { return { d.linkEnabled(), d.portOpen(), d.moduleIdentified() }; }
    void expectNoConnection() const
    {
        EXPECT_EQ(flags(), std::make_tuple(true, false, false));
        EXPECT_EQ(d.moduleStatus(), "No module connection");
    }
};

const std::vector<std::uint8_t> kRequest = encodeFrame(CMD_IDENTIFY, std::vector<std::uint8_t> { 'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n' });
const Words kModule24 { 3, 111, 2404, 333, 444, 4194304, 666, 777, 888 };

} // namespace

TEST_F(Detection, StartsOffThenOpensOnTheFirstTickAfterAConfirmationAndAsksOnEachNext)
{
    EXPECT_EQ(flags(), std::make_tuple(false, false, false));
    EXPECT_EQ(d.comPort(), 3);
    EXPECT_EQ(d.moduleStatus(), "Module Connection information output...");
    listing.answers[3] = listing.answers[5] = PortPresence::Listed;
    ticks(5); // nothing until a port is confirmed
    EXPECT_EQ(listing.queries, 0);
    EXPECT_TRUE(port.calls.empty());
    d.selectPort(5);
    expectNoConnection();
    EXPECT_EQ(refreshes, 1);
    d.timerStep(); // opened, nothing sent yet
    ASSERT_EQ(port.opens.size(), 1u);
    const auto& o = port.opens[0];
    EXPECT_EQ(std::make_tuple(o.port, o.baud, o.parity, o.data, o.stop, o.buffer), std::make_tuple(5, 57600, 'N', 8, 1, std::size_t(128)));
    EXPECT_EQ(port.monitorStarts, 1);
    EXPECT_TRUE(port.frames.empty());
    EXPECT_EQ(flags(), std::make_tuple(true, true, false));
    ticks(2); // no limit, one request per tick
    EXPECT_EQ(port.frames, std::vector(2, kRequest));
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
    expectNoConnection();
    port.openSucceeds = true;
    d.timerStep();
    EXPECT_EQ(flags(), std::make_tuple(true, true, false));
}

TEST_F(Detection, IdentificationFillsInfoAndClosesThePortThenTicksOnlyCheckTheListing)
{
    confirmAndOpen();
    d.timerStep();
    refreshes = 0;
    identify(d, kModule24);
    EXPECT_EQ(flags(), std::make_tuple(true, true, true));
    EXPECT_EQ(d.moduleInfo().words, kModule24);
    EXPECT_EQ(d.moduleInfo().memoryBytes(), 4194304u);
    EXPECT_EQ(port.closes, 1);
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(port.calls.back(), "ClosePort");
    const auto sent = port.frames.size();
    const int queries = listing.queries;
    ticks(2);
    EXPECT_EQ(port.frames.size(), sent);
    EXPECT_EQ(listing.queries, queries + 2);
    EXPECT_EQ(flags(), std::make_tuple(true, true, true));
}

TEST(DetectionText, ThreeLinesFromTypeCodeAndFirmwareEvenWithNoRequestOutstandingAndZerosPastAShortReply)
{
    for (const auto& [words, text] : { std::pair { kModule24, "Module connection...\r\nModule Type:Zarn24 V4\r\nFirmware version:Ver3" },
             std::pair { Words { 12, 0, 5008, 0, 0, 0, 0, 0, 0 }, "Module connection...\r\nModule Type:Zarn50 V8\r\nFirmware version:Ver12" } }) {
        FakePort port;
        FakeListing listing;
        ModuleDetection d { port, listing };
        identify(d, words);
        EXPECT_EQ(d.moduleStatus(), text);
        EXPECT_TRUE(d.portOpen() && d.moduleIdentified());
    }
    // A short reply reads zeros instead of bytes beyond it.
    FakePort port;
    FakeListing listing;
    ModuleDetection d { port, listing };
    const std::vector<std::uint8_t> shortPayload { 7, 0, 0, 0, 0, 0, 0, 0, 0x64, 0x09 };
    FramePayload f(CMD_IDENTIFY, shortPayload);
    d.onIdentification(f);
    EXPECT_EQ(d.moduleInfo().firmwareVersion(), 7u);
    EXPECT_EQ(d.moduleInfo().typeCode(), 0x0964u);
    EXPECT_EQ(d.moduleInfo().memoryBytes(), 0u);
}

TEST_F(Detection, PortVanishingOrKeyFailingReturnsToWaiting)
{
    confirmAndOpen();
    identify(d, kModule24);
    listing.answers.erase(3); // unplugged
    refreshes = 0;
    d.timerStep();
    expectNoConnection();
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
    expectNoConnection();
}

TEST_F(Detection, ConfirmingAgainOrAChannelClosedElsewhereRestartsFromOpening)
{
    confirmAndOpen();
    identify(d, kModule24);
    d.selectPort(3);
    expectNoConnection();
    ticks(2);
    EXPECT_EQ(port.opens.size(), 2u);
    EXPECT_EQ(port.frames.size(), 1u);

    port.ClosePort(); // a transfer ended and closed the channel meanwhile: reopen, do not write into it
    d.timerStep();
    EXPECT_EQ(port.frames.size(), 1u);
    EXPECT_EQ(flags(), std::make_tuple(true, false, false));
    d.timerStep();
    EXPECT_EQ(port.opens.size(), 3u);
    d.timerStep();
    EXPECT_EQ(port.frames.size(), 2u);
}

TEST(PortName, NumberAfterTheFirstMInAnUnsignedByte)
{
    for (const auto& [name, n] : { std::pair { "COM12", 12 }, { "COM3", 3 }, { "COM259", 3 }, { "ttyS0", -1 }, { "COM", 0 } })
        EXPECT_EQ(portNumberFromName(name), n) << name;
}
