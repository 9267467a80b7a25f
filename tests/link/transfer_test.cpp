// "Program All" against a module in the process that checks every frame it is
// sent (checksum, one frame in flight, nothing past the announced size): the
// refusals in their order, the stream and its progress, and its failures.
#include "link/FrameDispatch.h"
#include "sim/SimulatedModule.h"
#include "support/FakeLink.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zarn;
using namespace zarn::test;
using namespace std::chrono_literals;

namespace {

struct Transfer : ::testing::Test {
    sim::SimulatedModule module { { 2404, 12, 4u << 20 } };
    FakeListing listing;
    FakeClock clock;
    ModuleDetection d { module, listing };
    ProgramTransfer t { module, clock };
    std::vector<std::string> boxes;
    // Three 4 KiB blocks used.
    ResourceFileFacts file { true, 2404, 4096, 2, 12288, pattern(12288, 3), {} };

    void SetUp() override
    {
        t.message = [this](const std::string& m) { boxes.push_back(m); };
        module.onFrame = [this](FramePayload& f) { dispatchFrame(d, t, f); };
        listing.answers[7] = PortPresence::Listed;
        d.selectPort(7);
    }
    // The port opened and the identification taken, as the detection does it.
    void identify()
    {
        d.timerStep();
        d.timerStep();
        module.deliver();
    }
    // "Program All" with the file as it is now.
    std::string programAll() { return t.programAll(d, std::make_shared<const ResourceFileFacts>(file)); }
    void expectFailedAndReleased(const char* why = kMsgProgrammingFailed)
    {
        EXPECT_EQ(std::make_tuple(t.programming(), t.holdsImage(), module.IsPortOpen(), t.outcome()),
            std::make_tuple(false, false, false, ProgramTransfer::Outcome::Failed));
        EXPECT_EQ(boxes, std::vector<std::string> { why });
    }
};

} // namespace

// Each step mends the fault behind the refusal before it, so every refusal
// shows only once all the checks before it pass.
TEST_F(Transfer, RefusalsComeInTheirOrderAndStartNothing)
{
    const std::pair<std::function<void()>, std::string> steps[] = {
        { [&] { file.isOpen = false; }, kMsgNoModuleConnectionBang },
        { [&] { d.timerStep(); }, kMsgOpenPortError },
        { [&] {
             d.timerStep();
             module.deliver();
         },
            kMsgNotResourceOpen },
        { [&] {
             file.isOpen = true;
             file.modelCode = 2804;
         },
            kMsgVersionMismatch },
        // Only the size class counts, not the hardware version.
        { [&] {
             file.modelCode = 2401;
             file.memoryKiB = 8192;
         },
            kMsgVersionMismatch },
        // KiB * 1024 would wrap to the module's 4 MiB in 32 bits.
        { [&] { file.memoryKiB = 4096 + (4u << 20); }, kMsgVersionMismatch },
        { [&] {
             file.memoryKiB = 4096;
             file.imageError = kMsgFalse;
         },
            kMsgFalse },
        { [&] {
             file.imageError.clear();
             file.itemCount = 0;
         },
            kMsgItemsNotAvailable },
        // A file that ended early is never made up with zeros.
        { [&] {
             file.itemCount = 2;
             file.image.resize(5000);
         },
            kMsgFalse },
        { [&] { file.image = pattern(12288, 3); }, "" },
        { [&] { file.isOpen = false; }, kMsgProgrammingModule },
    };
    bool started = false;
    for (const auto& [step, refusal] : steps) {
        step();
        EXPECT_EQ(programAll(), refusal);
        started = started || refusal.empty();
        EXPECT_EQ(std::make_tuple(t.programming(), t.holdsImage(), module.engine().stats().startRequests),
            std::make_tuple(started, started, started ? 1u : 0u))
            << refusal;
    }
}

TEST_F(Transfer, TheUsedBlocksGoOutOneAcknowledgedFrameAtATime)
{
    identify();
    std::vector<std::pair<int, int>> progress; // (4 KiB blocks, KiB) whenever they change
    t.refresh = [&] {
        if (progress.empty() || progress.back().first != t.blocksSent())
            progress.emplace_back(t.blocksSent(), t.progressKiB());
    };
    ASSERT_EQ(programAll(), "");
    EXPECT_EQ(t.progressMaxKiB(), 12);
    module.deliver(); // each acknowledgement sends the next frame at once
    EXPECT_EQ(boxes, std::vector<std::string> { kMsgSendOver });
    EXPECT_EQ(module.engine().image(), file.image);
    EXPECT_TRUE(module.problems().empty()) << module.problems().front(); // nothing past the used part either
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>> { { 0, 0 }, { 1, 4 }, { 2, 8 }, { 3, 12 } }));
    EXPECT_EQ(module.openings(), (std::vector { 57600, 115200 }));
    EXPECT_FALSE(module.IsPortOpen());
    EXPECT_EQ(programAll(), "") << "Program All may be used again at once";
}

TEST_F(Transfer, AMissingAcknowledgementFailsThreeSecondsAfterTheLastFrameAndNothingIsResent)
{
    identify();
    module.dropAcks = { 3 };
    ASSERT_EQ(programAll(), "");
    // The blocks go out 2 s and 4 s after the start; the second one's acknowledgement is lost.
    clock.advance(2000ms);
    module.deliver(1);
    clock.advance(2000ms);
    module.deliver(1);
    FramePayload wrongCode(CMD_PROGRAM_DATA + 1, {});
    dispatchFrame(d, t, wrongCode); // another code is no acknowledgement
    EXPECT_EQ(t.imageSent(), 64u);
    clock.advance(2999ms);
    t.checkTimeout();
    EXPECT_TRUE(t.programming());
    clock.advance(1ms);
    t.checkTimeout();
    expectFailedAndReleased();
    t.onBlockAck(); // a late acknowledgement sends nothing
    EXPECT_EQ(module.engine().stats().dataBlocks, 2u);
}

// The start acknowledgement may wait for a module that erases its memory first.
TEST_F(Transfer, TheStartAcknowledgementHasItsOwnLongerTimeout)
{
    identify();
    module.dropAcks = { 1 };
    ASSERT_EQ(programAll(), "");
    clock.advance(59999ms);
    t.checkTimeout();
    EXPECT_TRUE(t.programming());
    clock.advance(1ms);
    t.checkTimeout();
    expectFailedAndReleased();

    boxes.clear();
    t.setTimeouts({ .start = 500ms, .data = 3000ms });
    ASSERT_EQ(programAll(), "");
    clock.advance(499ms);
    t.checkTimeout();
    EXPECT_TRUE(t.programming());
    clock.advance(1ms);
    t.checkTimeout();
    expectFailedAndReleased();
}

TEST_F(Transfer, APortFailureStopsTheTransferAndAPortThatCannotOpenStartsNone)
{
    identify();
    ASSERT_EQ(programAll(), "");
    module.deliver(2);
    t.onPortFailure();
    expectFailedAndReleased(kMsgProgrammingPortLost);

    module.openable = false;
    EXPECT_EQ(programAll(), kMsgOpenPortError);
    EXPECT_FALSE(t.programming()) << "busy for ever, waiting for an answer to nothing";
}
