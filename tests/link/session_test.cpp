// The module session as its clients see it: requests in, events with copies of
// the state out, on a loop whose time the test moves (no sleeping). The
// detection and the transfer themselves are tested on their own; here: the
// pacing of the timer and of progress, one event per failure with its cause,
// the image shared and let go, and a client that ends the session from inside
// one of its events.
#include "link/ModuleSession.h"
#include "sim/SimulatedModule.h"
#include "support/FakeLink.h"
#include "support/Files.h"
#include "support/ManualLoop.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;
using namespace std::chrono_literals;
using Kind = SessionEventKind;

namespace {

struct Session : ::testing::Test {
    ManualLoop loop;
    sim::SimulatedModule module { { 2404, 7, 4u << 20 } };
    FakeListing listing;
    std::vector<SessionEvent> events;
    std::unique_ptr<ModuleSession> session;
    std::shared_ptr<const ResourceFileFacts> file
        = std::make_shared<ResourceFileFacts>(ResourceFileFacts { true, 2404, 4096, 1, 12288, pattern(12288, 3), {} });

    void SetUp() override
    {
        listing.otherwise = PortPresence::Listed;
        open({});
    }
    void open(SessionOptions options)
    {
        session = std::make_unique<ModuleSession>(
            loop, module, listing, [this](const SessionEvent& e) { events.push_back(e); }, options);
    }
    std::vector<Kind> kinds() const
    {
        std::vector<Kind> k;
        for (const auto& e : events)
            k.push_back(e.kind);
        return k;
    }
    // Port Select, the open one tick later, the request the tick after, the reply.
    void identify()
    {
        session->selectPort(3);
        loop.advance(1400ms);
        module.deliver();
        ASSERT_TRUE(events.back().snapshot.moduleIdentified);
        events.clear();
    }
};

} // namespace

TEST_F(Session, TheWindowAsksOnePeriodAfterTheOpenTheCommandLineAtOnce)
{
    session->selectPort(3);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().snapshot.moduleStatus, kMsgNoModuleConnection);
    loop.advance(699ms);
    EXPECT_EQ(module.engine().stats().identifyRequests, 0u);
    loop.advance(1ms); // opens
    EXPECT_TRUE(events.back().snapshot.portOpen);
    EXPECT_EQ(module.engine().stats().identifyRequests, 0u);
    loop.advance(700ms);
    EXPECT_EQ(module.engine().stats().identifyRequests, 1u);

    session.reset();
    sim::SimulatedModule other({ 2404, 7, 4u << 20 });
    session = std::make_unique<ModuleSession>(
        loop, other, listing, [this](const SessionEvent& e) { events.push_back(e); }, SessionOptions { true, {} });
    loop.advance(300ms); // the session's own timer runs meanwhile
    session->startDetection(3);
    EXPECT_EQ(other.engine().stats().identifyRequests, 1u) << "the first request as soon as the port is open";
    loop.advance(699ms);
    EXPECT_EQ(other.engine().stats().identifyRequests, 1u);
    loop.advance(1ms);
    EXPECT_EQ(other.engine().stats().identifyRequests, 2u);
    other.deliver(1);
    EXPECT_EQ(events.back().kind, Kind::Identified);
    EXPECT_EQ(
        events.back().snapshot.moduleStatus, "Module connection...\r\nModule Type:Zarn24 V4\r\nFirmware version:Ver7");
    session.reset(); // before its port goes
}

TEST_F(Session, ATransferTellsItsStartEachBlockAndItsEndOnce)
{
    identify();
    session->programAll(nullptr); // no file at all
    EXPECT_EQ(events.back().kind, Kind::TransferRefused);
    EXPECT_EQ(events.back().text, kMsgNotResourceOpen);
    events.clear();

    session->programAll(file);
    ASSERT_EQ(kinds(), std::vector { Kind::TransferStarted });
    EXPECT_TRUE(events[0].snapshot.programming);
    EXPECT_EQ(events[0].snapshot.progressMaxKiB, 12);
    module.deliver(); // 385 acknowledgements at the same moment: only whole blocks are told
    const std::vector expected { Kind::TransferStarted, Kind::Changed, Kind::Changed, Kind::Changed,
        Kind::TransferCompleted };
    ASSERT_EQ(kinds(), expected);
    EXPECT_EQ(events[1].snapshot.blocksSent, 1);
    EXPECT_EQ(events[3].snapshot.progressKiB, 12);
    EXPECT_EQ(events[4].text, kMsgSendOver);
    EXPECT_FALSE(events[4].snapshot.programming);
    EXPECT_EQ(module.engine().image(), file->image);
}

TEST_F(Session, ProgressWithinABlockIsToldAtMostEveryTenthOfASecond)
{
    identify();
    session->programAll(file);
    for (int i = 0; i < 40; ++i) { // 40 frames, 10 ms apart
        loop.advance(10ms);
        module.deliver(1);
    }
    int progress = 0;
    for (const auto& e : events)
        progress += e.kind == Kind::Changed;
    EXPECT_GE(progress, 3);
    EXPECT_LE(progress, 4);
}

// An unplugged module is one failure: its event carries the channel's text,
// and no separate channel error comes.
TEST_F(Session, ALostPortEndsTheTransferWithOneEventThatSaysWhy)
{
    FakePort port;
    session
        = std::make_unique<ModuleSession>(loop, port, listing, [this](const SessionEvent& e) { events.push_back(e); });
    session->selectPort(3);
    loop.advance(1400ms);
    const auto reply = identificationReply(7, 2404, 4u << 20);
    port.deliver(CMD_IDENTIFY, { reply.begin(), reply.end() });
    session->programAll(file);
    port.deliver(CMD_PROGRAM_START, {});
    events.clear();
    const std::string warning = "WARNING:  read() Failed with the following error: \nInput/output error\nPort: 3\n";
    port.onError(warning);
    port.onPortLost();
    ASSERT_EQ(kinds(), (std::vector { Kind::TransferFailed, Kind::PortLost }));
    EXPECT_EQ(events[0].text, kMsgProgrammingPortLost);
    EXPECT_EQ(events[0].detail, warning);
    EXPECT_FALSE(events[0].snapshot.programming);

    events.clear();
    port.onError(warning); // outside a transfer the channel's text is an event of its own
    EXPECT_EQ(kinds(), std::vector { Kind::ChannelError });
    session.reset(); // before its port goes
}

TEST_F(Session, ASilentModuleFailsByTheWatchdogAndTheImageIsLetGo)
{
    identify();
    module.dropAcks = { 4 };
    session->programAll(file);
    module.deliver();
    EXPECT_GT(file.use_count(), 1) << "the session reads the client's image, it does not copy it";
    loop.advance(2999ms);
    EXPECT_NE(events.back().kind, Kind::TransferFailed);
    loop.advance(200ms);
    EXPECT_EQ(events.back().kind, Kind::TransferFailed);
    EXPECT_EQ(events.back().text, kMsgProgrammingFailed);
    EXPECT_EQ(events.back().detail, "");
    EXPECT_EQ(file.use_count(), 1);
}

// zarnres ends a session from inside its events (a station's count reached,
// Ctrl-C): nothing of it may run afterwards.
TEST_F(Session, AClientMayEndTheSessionFromInsideAnEvent)
{
    identify();
    session = std::make_unique<ModuleSession>(loop, module, listing, [this](const SessionEvent& e) {
        events.push_back(e);
        if (e.snapshot.blocksSent == 1)
            session.reset();
    });
    session->selectPort(3);
    loop.advance(1400ms);
    module.deliver();
    session->programAll(file);
    module.deliver();
    EXPECT_FALSE(session);
    EXPECT_FALSE(module.IsPortOpen());
    EXPECT_EQ(events.back().snapshot.blocksSent, 1);
    const auto count = events.size();
    loop.advance(10s);
    module.deliver();
    EXPECT_EQ(events.size(), count);
}
