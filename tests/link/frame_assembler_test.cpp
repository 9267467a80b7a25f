#include "link/FrameAssembler.h"
#include "link/FrameCodec.h"

#include <gtest/gtest.h>

using namespace zarn;
using Bytes = std::vector<std::uint8_t>;

namespace {
Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes payloadOf(const FramePayload& f) { return Bytes(f.payload().begin(), f.payload().end()); }
}

TEST(FrameAssembler, DeliversAFrameOnceWithPayloadAndCommandAndDropsWhatFollowsIt)
{
    FrameAssembler a;
    const Bytes payload { 1, 2, 3, 0x55, 0xAA, 6 };
    a.append(encodeFrame(0x12, payload) + encodeFrame(0x10, {})); // the second frame in the same read
    auto f = a.examine();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->command(), 0x12);
    EXPECT_EQ(payloadOf(*f), payload);
    EXPECT_EQ(a.pending(), 0u);
    EXPECT_EQ(a.unexamined(), 0u);
    EXPECT_FALSE(a.examine());

    // A wrong checksum is delivered all the same; the longest length byte stays inside the buffer.
    Bytes bad = encodeFrame(0x10, Bytes { 9, 9 });
    bad[bad.size() - 2] ^= 0xFF;
    a.append(bad);
    EXPECT_TRUE(a.examine());
    a.append(encodeFrame(0x12, Bytes(254, 0x11)));
    f = a.examine();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->length(), 254u);
}

TEST(FrameAssembler, FrameSplitAcrossReadsCompletesOnlyWithItsEndByte)
{
    FrameAssembler a;
    const Bytes frame = encodeFrame(0x00, Bytes(36, 0xAA)); // end byte value also inside the payload
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        a.append(std::span(&frame[i], 1));
        EXPECT_FALSE(a.examine()) << "complete after " << i + 1 << " bytes";
    }
    a.append(std::span(&frame.back(), 1));
    auto f = a.examine();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->length(), 36u);
}

TEST(FrameAssembler, MissingEndByteWrongStartOrZeroLengthNeverCompletes)
{
    Bytes noEnd = encodeFrame(0x12, {});
    noEnd.back() = 0xAB;
    for (const Bytes& bytes : { noEnd, Bytes { 0x00 } + encodeFrame(0x12, {}), Bytes { 0x55, 0x00, 0x12, 0xAA, 0xAA, 0xAA } }) {
        FrameAssembler a;
        a.append(bytes);
        EXPECT_FALSE(a.examine());
        EXPECT_EQ(a.pending(), bytes.size()); // the bytes stay
    }
}

TEST(FrameAssembler, StalePartialFrameIsDiscardedAndTheNextFrameReceivedFromItsFirstByte)
{
    FrameAssembler a;
    const Bytes frame = encodeFrame(0x12, Bytes(32, 7));
    a.append(std::span(frame.data(), 10));
    EXPECT_FALSE(a.examine());
    a.discardStale();
    EXPECT_EQ(a.pending(), 0u);
    a.append(encodeFrame(0x12, {}));
    auto f = a.examine();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->length(), 0u);
}

TEST(FrameAssembler, FullBufferOfGarbageIsEmptiedAndAFrameAfterItReceived)
{
    FrameAssembler a;
    const Bytes garbage(FrameAssembler::kBufferSize + 100, 0x01);
    EXPECT_EQ(a.append(garbage), garbage.size());
    EXPECT_EQ(a.pending(), 100u); // emptied when full, the excess kept from offset 0
    a.reset();
    a.append(Bytes(FrameAssembler::kBufferSize, 0x02));
    a.append(encodeFrame(0x10, {}));
    EXPECT_TRUE(a.examine());
}

TEST(FrameAssembler, RandomTrafficStaysInsideTheBufferAndDeliversFrames)
{
    // Deterministic noise mixed with real frames, fed in random-sized reads.
    std::uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    FrameAssembler a;
    std::size_t delivered = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes chunk;
        if (next() % 4 == 0) {
            chunk = encodeFrame(std::uint8_t(next()), Bytes(next() % 40, std::uint8_t(next())));
        } else {
            chunk.resize(next() % 300);
            for (auto& b : chunk)
                b = std::uint8_t(next() % 3 == 0 ? 0x55 : next());
        }
        ASSERT_EQ(a.append(chunk), chunk.size());
        ASSERT_LE(a.pending(), FrameAssembler::kBufferSize);
        if (auto f = a.examine()) {
            ++delivered;
            ASSERT_LE(f->length(), 254u);
            for (int i = 0; i < 70; ++i)
                (void)f->NextPayloadWord(); // never reads outside the payload
        }
        if (next() % 50 == 0)
            a.discardStale();
    }
    EXPECT_GT(delivered, 100u);
}

TEST(NextPayloadWord, ReadsLittleEndianWordsAndZeroPastTheEnd)
{
    const Bytes payload { 0x04, 0x03, 0x02, 0x01, 0xFF, 0x00, 0x00, 0x80, 0xAB, 0xCD };
    FramePayload f(0x00, payload);
    for (std::uint32_t w : { 0x01020304u, 0x800000FFu, 0x0000CDABu, 0u, 0u }) // the third straddles the end
        EXPECT_EQ(f.NextPayloadWord(), w);
    f.rewind();
    EXPECT_EQ(f.NextPayloadWord(), 0x01020304u);
    FramePayload empty(0x00, {});
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(empty.NextPayloadWord(), 0u);
}
