// The module's frames: what the codec writes, and what the assembler makes of
// whatever arrives on the line.
#include "link/FrameAssembler.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace zarn;
using Bytes = std::vector<std::uint8_t>;

TEST(Frames, StartRequestAsModulesExpectIt)
{
    // 8 KiB announced; the checksum is the command plus the payload, 0x10 + 0x20.
    EXPECT_EQ(encodeFrame(CMD_PROGRAM_START, programStartPayload(8192)),
        (Bytes { 0x55, 0x09, 0x10, 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00, 0x30, 0xAA }));
}

// Seeded line noise in reads of any size, and now and then a frame after a
// silence or a full buffer: such a frame comes back whole, not before its end
// byte; a damaged one never; and noise never makes the assembler hold more
// than its buffer.
TEST(Frames, RandomTrafficRoundTrips)
{
    std::mt19937 rng(20261207);
    auto below = [&rng](std::size_t n) { return std::size_t(rng() % n); };
    FrameAssembler a;
    int roundTrips = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes noise(below(8) == 0 ? FrameAssembler::kBufferSize - a.pending() : below(300));
        std::ranges::generate(noise, [&] { return below(3) == 0 ? kFrameStart : std::uint8_t(rng()); });
        ASSERT_EQ(a.append(noise), noise.size());
        ASSERT_LE(a.pending(), FrameAssembler::kBufferSize);
        (void)a.examine();
        if (below(2) == 0)
            a.discardStale();
        if (a.pending() != 0 && a.pending() != FrameAssembler::kBufferSize)
            continue;
        Bytes payload(below(255)); // 255 bytes would need a length byte of 256
        std::ranges::generate(payload, [&] { return std::uint8_t(rng()); });
        const std::uint8_t command = std::uint8_t(rng());
        Bytes frame = encodeFrame(command, payload);
        const std::size_t damage = below(8);
        if (damage == 0) // a wrong end byte
            frame.back() = 0xAB;
        if (damage == 1) // a length byte of 0 (a payload of -1 bytes) before an end byte
            frame = { kFrameStart, 0, command, kFrameEnd, kFrameEnd };
        for (std::size_t at = 0; at < frame.size();) {
            const std::size_t n = std::min(frame.size() - at, 1 + below(40));
            a.append(std::span(frame).subspan(at, n));
            at += n;
            auto f = a.examine();
            ASSERT_EQ(bool(f), damage > 1 && at == frame.size())
                << "after " << at << " of " << frame.size() << " bytes";
            if (f) {
                EXPECT_EQ(f->command(), command);
                EXPECT_EQ(Bytes(f->payload().begin(), f->payload().end()), payload);
                ++roundTrips;
            }
        }
    }
    EXPECT_GT(roundTrips, 1000);
}
