// "Program All" against a module in the process that checks every frame it is
// sent (checksum, one frame in flight, nothing past the announced size): the
// refusals in their order, the stream and its progress, and its failures.
#include "link/FrameDispatch.h"

#include "LinkFakes.h"
#include "sim/SimulatedModule.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::string kMismatch = "Resource file version does not match the module hardware";

struct Transfer : ::testing::Test {
    sim::SimulatedModule module { { 2404, 12, 4u << 20 } };
    FakeListing listing;
    FakeClock clock;
    ModuleDetection d { module, listing };
    ProgramTransfer t { module, clock };
    std::vector<std::string> boxes;
    ResourceFileFacts file { true, "a.zrf", 2404, 4096, 2, 0, {}, {} };
    Bytes contents;

    void SetUp() override
    {
        t.message = [this](const std::string& m) { boxes.push_back(m); };
        module.onFrame = [this](FramePayload& f) { dispatchFrame(d, t, f); };
        setImage(8192);
    }
    // The port opened and the module's identification taken, as the detection does it.
    void identify()
    {
        listing.answers[7] = PortPresence::Listed;
        d.selectPort(7);
        d.timerStep();
        d.timerStep();
        module.deliver();
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
    void expectFailedAndReleased(const std::string& text)
    {
        EXPECT_FALSE(t.programming());
        EXPECT_TRUE(t.image().empty());
        EXPECT_FALSE(module.IsPortOpen());
        EXPECT_EQ(boxes, std::vector { text });
        EXPECT_EQ(t.outcome(), ProgramTransfer::Outcome::Failed);
    }
};

} // namespace

TEST_F(Transfer, RefusalsComeInOrderAndChangeNothing)
{
    auto refused = [&](const std::string& expected) {
        EXPECT_EQ(t.programAll(d, file), expected);
        EXPECT_FALSE(t.programming());
        EXPECT_TRUE(t.image().empty());
        EXPECT_EQ(module.engine().stats().startRequests, 0u);
    };
    const ResourceFileFacts good = file;
    file.isOpen = false;
    refused("No module connection!!");
    listing.answers[7] = PortPresence::Listed;
    d.selectPort(7);
    d.timerStep();
    refused("Open the module communication port error!!");
    d.timerStep();
    module.deliver();
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
        sim::SimulatedModule other { { 2404, 12, bytes } };
        ModuleDetection detection { other, listing };
        ProgramTransfer fresh { other, clock };
        other.onFrame = [&](FramePayload& f) { dispatchFrame(detection, fresh, f); };
        listing.answers[7] = PortPresence::Listed;
        detection.selectPort(7);
        detection.timerStep();
        detection.timerStep();
        other.deliver();
        file.memoryKiB = kib;
        EXPECT_EQ(fresh.programAll(detection, file), accepted ? "" : kMismatch) << bytes;
    }
}

TEST_F(Transfer, TheUsedPartGoesOutOneAcknowledgedFrameAtATimeWithItsProgress)
{
    EXPECT_EQ(programStartPayload(8192), (std::array<std::uint8_t, 8> { 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00 }));
    for (std::size_t usedEnd : { 8192, 12288 }) { // a last item ending at 5000 rounds up to 8192
        sim::SimulatedModule fresh { { 2404, 12, 4u << 20 } };
        ModuleDetection detection { fresh, listing };
        ProgramTransfer transfer { fresh, clock };
        std::vector<std::pair<int, int>> progress; // (blocks, KiB) whenever they change
        transfer.refresh = [&] {
            if (progress.empty() || progress.back().first != transfer.blocksSent())
                progress.emplace_back(transfer.blocksSent(), transfer.progressKiB());
        };
        transfer.message = [this](const std::string& m) { boxes.push_back(m); };
        fresh.onFrame = [&](FramePayload& f) { dispatchFrame(detection, transfer, f); };
        listing.answers[7] = PortPresence::Listed;
        detection.selectPort(7);
        detection.timerStep();
        detection.timerStep();
        fresh.deliver();
        setImage(usedEnd);
        boxes.clear();

        ASSERT_EQ(transfer.programAll(detection, file), "");
        EXPECT_EQ(fresh.openings(), (std::vector { 57600, 115200 }));
        EXPECT_EQ(transfer.progressMaxKiB(), int(usedEnd / 1024));
        EXPECT_EQ(transfer.programAll(detection, file), "Programming module...") << "pressed again while it runs";
        fresh.deliver();
        EXPECT_EQ(boxes, std::vector<std::string> { "Send Over!!" });
        EXPECT_EQ(fresh.engine().image(), contents);
        EXPECT_EQ(fresh.engine().stats().dataBlocks, usedEnd / 32) << "no extra block past the last item";
        EXPECT_TRUE(fresh.problems().empty()) << fresh.problems().front();
        const int blocks = int(usedEnd / 4096);
        EXPECT_EQ(progress.back(), std::pair(blocks, blocks * 4));
        EXPECT_EQ(progress[1], std::pair(1, 4)) << "the first block of 4096 bytes";
        EXPECT_FALSE(transfer.programming());
        EXPECT_FALSE(fresh.IsPortOpen());
        EXPECT_TRUE(detection.moduleIdentified()) << "Program All may be used again at once";
        EXPECT_EQ(transfer.programAll(detection, file), "");
    }
}

TEST_F(Transfer, AMissingAcknowledgementFailsAfterThreeSecondsAndNothingIsResent)
{
    identify();
    module.dropAcks = { 3 };
    ASSERT_EQ(t.programAll(d, file), "");
    module.deliver();
    EXPECT_EQ(t.imageSent(), 64u);
    clock.advance(std::chrono::milliseconds(2999));
    t.checkTimeout();
    EXPECT_TRUE(t.programming());
    clock.advance(std::chrono::milliseconds(1));
    t.checkTimeout();
    expectFailedAndReleased("Programming failed: the module stopped answering");
    EXPECT_EQ(module.engine().stats().dataBlocks, 2u);
    t.onBlockAck(); // a late acknowledgement sends nothing
    EXPECT_EQ(module.engine().stats().dataBlocks, 2u);
}

TEST_F(Transfer, APortThatFailsStopsTheTransferAndOneThatCannotOpenStartsNone)
{
    identify();
    ASSERT_EQ(t.programAll(d, file), "");
    module.deliver(2);
    t.onPortFailure();
    expectFailedAndReleased("Programming failed: the module stopped answering");

    module.openable = false;
    boxes.clear();
    EXPECT_EQ(t.programAll(d, file), "Open the module communication port error!!");
    EXPECT_FALSE(t.programming());
    clock.advance(std::chrono::seconds(10));
    t.checkTimeout();
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Transfer, DispatchRoutesByCommand)
{
    identify();
    ASSERT_EQ(t.programAll(d, file), "");
    const auto blocks = [&] { return module.engine().stats().startRequests + module.engine().stats().dataBlocks; };
    for (std::uint8_t command : { CMD_PROGRAM_START, CMD_PROGRAM_DATA, std::uint8_t(0x33) }) {
        const auto before = blocks();
        FramePayload f(command, {});
        dispatchFrame(d, t, f);
        EXPECT_EQ(blocks(), before + (command == 0x33 ? 0 : 1)) << int(command);
    }
    const Bytes words(36, 0);
    FramePayload ident(CMD_IDENTIFY, words);
    dispatchFrame(d, t, ident);
    EXPECT_EQ(d.moduleInfo().typeCode(), 0u);
}
