#include "link/FrameAssembler.h"
#include "link/FrameCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace zarn;

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
}

TEST(FrameAssembler, FrameInOneReadIsDeliveredWithPayloadAndCommand)
{
    FrameAssembler a;
    const Bytes payload { 1, 2, 3, 0x55, 0xAA, 6 };
    a.append(encodeFrame(0x12, payload));
    auto f = a.examine();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->command(), 0x12);
    EXPECT_EQ(Bytes(f->payload().begin(), f->payload().end()), payload);
    EXPECT_EQ(a.pending(), 0u);
    EXPECT_EQ(a.unexamined(), 0u);
    EXPECT_FALSE(a.examine()); // delivered once
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

TEST(FrameAssembler, WrongChecksumIsDeliveredAllTheSame)
{
    FrameAssembler a;
    Bytes frame = encodeFrame(0x10, Bytes { 9, 9 });
    frame[frame.size() - 2] ^= 0xFF;
    a.append(frame);
    EXPECT_TRUE(a.examine());
}

TEST(FrameAssembler, SecondFrameInTheSameReadIsDropped)
{
    FrameAssembler a;
    a.append(concat({ encodeFrame(0x10, {}), encodeFrame(0x12, {}) }));
    auto f = a.examine();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->command(), 0x10);
    EXPECT_FALSE(a.examine());
    EXPECT_EQ(a.pending(), 0u);
}

TEST(FrameAssembler, MissingEndByteOrWrongStartNeverCompletes)
{
    FrameAssembler a;
    Bytes frame = encodeFrame(0x12, {});
    frame.back() = 0xAB;
    a.append(frame);
    EXPECT_FALSE(a.examine());
    EXPECT_EQ(a.pending(), 5u); // the bytes stay

    FrameAssembler b;
    b.append(concat({ Bytes { 0x00 }, encodeFrame(0x12, {}) }));
    EXPECT_FALSE(b.examine());
}

TEST(FrameAssembler, LengthByteZeroNeverCompletesAFrame)
{
    FrameAssembler a;
    a.append(Bytes { 0x55, 0x00, 0x12, 0xAA, 0xAA, 0xAA });
    EXPECT_FALSE(a.examine());
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

TEST(FrameAssembler, GarbageNeverReadsOutsideTheBufferAndFullBufferIsEmptied)
{
    FrameAssembler a;
    const Bytes garbage(FrameAssembler::kBufferSize + 100, 0x01);
    EXPECT_EQ(a.append(garbage), garbage.size());
    EXPECT_LE(a.pending(), FrameAssembler::kBufferSize);
    EXPECT_EQ(a.pending(), 100u); // emptied when full, the excess kept from offset 0
    a.reset();
    // A frame that starts right after a full buffer of garbage is received.
    a.append(Bytes(FrameAssembler::kBufferSize, 0x02));
    a.append(encodeFrame(0x10, {}));
    EXPECT_TRUE(a.examine());
}

TEST(FrameAssembler, LongestLengthByteStaysInsideTheBuffer)
{
    FrameAssembler a;
    Bytes frame = encodeFrame(0x12, Bytes(254, 0x11));
    ASSERT_EQ(frame[1], 0xFF);
    a.append(frame);
    auto f = a.examine();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->length(), 254u);
}

TEST(NextPayloadWord, ReadsLittleEndianWordsAndZeroPastTheEnd)
{
    const std::array<std::uint8_t, 10> payload { 0x04, 0x03, 0x02, 0x01, 0xFF, 0x00, 0x00, 0x80, 0xAB, 0xCD };
    // Only the first 10 bytes belong to the payload; the span must not be read beyond.
    FramePayload f(0x00, payload);
    EXPECT_EQ(f.NextPayloadWord(), 0x01020304u);
    EXPECT_EQ(f.NextPayloadWord(), 0x800000FFu);
    EXPECT_EQ(f.NextPayloadWord(), 0x0000CDABu); // straddles the end: missing bytes read as 0
    EXPECT_EQ(f.NextPayloadWord(), 0u);
    EXPECT_EQ(f.NextPayloadWord(), 0u);
    f.rewind();
    EXPECT_EQ(f.NextPayloadWord(), 0x01020304u);
}

TEST(NextPayloadWord, EmptyPayloadYieldsZeros)
{
    FramePayload f(0x00, {});
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(f.NextPayloadWord(), 0u);
}

TEST(FrameAssembler, RandomTrafficStaysInsideTheBufferAndDeliversOnlyWellFormedFrames)
{
    // Deterministic noise mixed with real frames, fed in random-sized reads.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    FrameAssembler a;
    std::size_t delivered = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes chunk;
        if (next() % 4 == 0) {
            chunk = encodeFrame(static_cast<std::uint8_t>(next()), Bytes(next() % 40, static_cast<std::uint8_t>(next())));
        } else {
            chunk.resize(next() % 300);
            for (auto& b : chunk)
                b = static_cast<std::uint8_t>(next() % 3 == 0 ? 0x55 : next());
        }
        ASSERT_EQ(a.append(chunk), chunk.size());
        ASSERT_LE(a.pending(), FrameAssembler::kBufferSize);
        if (auto f = a.examine()) {
            ++delivered;
            // The payload lies inside the buffer and its length came from the length byte.
            ASSERT_LE(f->length(), 254u);
            for (int i = 0; i < 70; ++i)
                (void)f->NextPayloadWord();
        }
        if (next() % 50 == 0)
            a.discardStale();
    }
    EXPECT_GT(delivered, 100u);
}
