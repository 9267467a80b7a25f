// Module detection on its 700 ms tick. What it sends and when is read off the
// recording port; what it makes of an answer comes from a strict module.
#include "link/ModuleDetection.h"
#include "sim/SimulatedModule.h"
#include "support/FakeLink.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zarn;
using namespace zarn::test;
using Calls = std::vector<std::string>;

namespace {

struct Rig {
    FakePort port;
    FakeListing listing;
    ModuleDetection d { port, listing };
    std::string shown; // the status as the last refresh showed it
    Rig()
    {
        d.refresh = [this] { shown = d.moduleStatus(); };
    }
};

} // namespace

TEST(Detection, OpensOnTheFirstTickAfterPortSelectThenAsksOncePerTick)
{
    Rig r;
    r.listing.answers[5] = PortPresence::Listed;
    r.d.timerStep();
    EXPECT_TRUE(r.port.calls.empty()) << "nothing before a port is confirmed";
    r.d.selectPort(5);
    EXPECT_EQ(r.shown, kMsgNoModuleConnection);
    r.port.openSucceeds = false; // refused: tried again on the next tick, silently
    r.d.timerStep();
    r.port.openSucceeds = true;
    for (int tick = 0; tick < 4; ++tick)
        r.d.timerStep();
    EXPECT_EQ(r.port.calls, (Calls { "OpenPort", "OpenPort", "StartMonitor", "SendFrame", "SendFrame", "SendFrame" }));
    const auto& o = r.port.opens.back();
    EXPECT_EQ(std::make_tuple(o.port, o.baud, o.parity, o.data, o.stop, o.buffer),
        std::make_tuple(5, 57600, 'N', 8, 1, std::size_t(128)));
}

TEST(Detection, TheCommandLineAsksInTheStepThatOpens)
{
    Rig r;
    r.listing.answers[5] = PortPresence::Listed;
    r.d.setRequestOnOpen(true);
    r.d.selectPort(5);
    r.d.timerStep();
    EXPECT_EQ(r.port.calls, (Calls { "OpenPort", "StartMonitor", "SendFrame" }));
    r.d.timerStep();
    EXPECT_EQ(r.port.sent.size(), 2u);
}

TEST(Detection, IdentificationFillsTheWordsAndClosesThePort)
{
    sim::SimulatedModule module({ 5008, 3, 12582912 });
    FakeListing listing;
    listing.answers[3] = PortPresence::Listed;
    ModuleDetection d(module, listing);
    module.onFrame = [&](FramePayload& f) { d.onIdentification(f); };
    d.selectPort(3);
    d.timerStep();
    d.timerStep();
    ASSERT_EQ(module.deliver(), 1);
    EXPECT_TRUE(d.moduleIdentified());
    EXPECT_EQ(d.moduleStatus(), "Module connection...\r\nModule Type:Zarn50 V8\r\nFirmware version:Ver3");
    EXPECT_EQ(d.moduleInfo().memoryBytes(), 12582912u);
    EXPECT_FALSE(module.IsPortOpen());
    for (int tick = 0; tick < 3; ++tick) // identified: the ticks only watch the listing
        d.timerStep();
    EXPECT_EQ(module.engine().stats().identifyRequests, 1u);
    EXPECT_TRUE(module.problems().empty()) << module.problems().front();
}

TEST(Detection, AShortReplyReadsZerosPastItsEnd)
{
    Rig r;
    FrameAssembler line;
    line.append(readBytes(kDataDir / "link" / "short-identification.bin"));
    auto frame = line.examine();
    ASSERT_TRUE(frame);
    r.d.onIdentification(*frame);
    EXPECT_EQ(r.d.moduleInfo().words, (std::array<std::uint32_t, 9> { 7, 0, 2404 }));
    EXPECT_EQ(r.shown, "Module connection...\r\nModule Type:Zarn24 V4\r\nFirmware version:Ver7");
}

// Whatever takes the port away, detection shows that no module is connected,
// writes nothing into a closed channel and starts again from opening the port.
TEST(Detection, APortTakenAwayRestartsFromOpening)
{
    const std::tuple<const char*, bool, std::function<void(Rig&)>> cases[] = {
        { "unplugged", true, [](Rig& r) { r.listing.answers.clear(); } },
        { "port folder unreadable", true,
            [](Rig& r) {
                r.listing.otherwise = PortPresence::KeyNotOpened;
                r.listing.answers.clear();
            } },
        { "channel closed by a transfer", false, [](Rig& r) { r.port.ClosePort(); } },
        { "Port Select again", true, [](Rig& r) { r.d.selectPort(3); } },
    };
    for (const auto& [what, identified, takeAway] : cases) {
        SCOPED_TRACE(what);
        Rig r;
        r.listing.answers[3] = PortPresence::Listed;
        r.d.selectPort(3);
        r.d.timerStep();
        r.d.timerStep();
        const std::vector<std::uint8_t> words(36, 1);
        FramePayload reply(CMD_IDENTIFY, words);
        if (identified)
            r.d.onIdentification(reply);
        takeAway(r);
        const auto before = long(r.port.calls.size());
        r.d.timerStep();
        EXPECT_EQ(std::make_tuple(r.d.moduleIdentified(), r.shown),
            std::make_tuple(false, std::string(kMsgNoModuleConnection)));
        r.listing.answers[3] = PortPresence::Listed;
        r.listing.otherwise = PortPresence::NotListed;
        r.d.timerStep();
        r.d.timerStep();
        Calls after(r.port.calls.begin() + before, r.port.calls.end());
        after.resize(3); // after a Port Select it has asked once more by now
        EXPECT_EQ(after, (Calls { "OpenPort", "StartMonitor", "SendFrame" }));
    }
}
