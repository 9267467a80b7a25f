#include "link/FrameCodec.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace zarn;
using Bytes = std::vector<std::uint8_t>;

TEST(FrameCodec, WorkedFrames)
{
    // The empty data acknowledgement, the start request for 8 KiB, the identification request
    // (its eight signature bytes sum to 834, checksum 0x42).
    EXPECT_EQ(encodeFrame(CMD_PROGRAM_DATA, {}), (Bytes { 0x55, 0x01, 0x12, 0x12, 0xAA }));
    EXPECT_EQ(encodeFrame(CMD_PROGRAM_START, Bytes { 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00 }),
        (Bytes { 0x55, 0x09, 0x10, 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00, 0x30, 0xAA }));
    EXPECT_EQ(encodeFrame(CMD_IDENTIFY, Bytes { 'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n' }),
        (Bytes { 0x55, 0x09, 0x00, 'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n', 0x42, 0xAA }));
}

TEST(FrameCodec, LengthAndChecksumWrapAcrossPayloadSizes)
{
    for (std::size_t n : { 1u, 200u, 255u }) {
        Bytes payload(n);
        std::iota(payload.begin(), payload.end(), std::uint8_t(0xF0)); // wraps, includes 0x55/0xAA
        const auto frame = encodeFrame(0x12, payload);
        ASSERT_EQ(frame.size(), n + 5);
        EXPECT_EQ(frame[1], std::uint8_t(n + 1)) << n;
        EXPECT_EQ(frame[3 + n], std::uint8_t(std::accumulate(payload.begin(), payload.end(), 0x12u))) << n;
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), frame.begin() + 3));
        EXPECT_EQ(frame.back(), 0xAA);
    }
}
