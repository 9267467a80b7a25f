#include "link/FrameCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>

using namespace zarn;

TEST(FrameCodec, EmptyDataAcknowledgementIsFiveBytes)
{
    EXPECT_EQ(encodeFrame(CMD_PROGRAM_DATA, {}), (std::vector<std::uint8_t>{0x55, 0x01, 0x12, 0x12, 0xAA}));
}

TEST(FrameCodec, StartRequestForEightKiB)
{
    const std::array<std::uint8_t, 8> payload{0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00};
    EXPECT_EQ(encodeFrame(CMD_PROGRAM_START, payload),
        (std::vector<std::uint8_t>{0x55, 0x09, 0x10, 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00, 0x30, 0xAA}));
}

TEST(FrameCodec, LengthAndChecksumAcrossPayloadSizes)
{
    for (std::size_t n : {0u, 1u, 31u, 32u, 200u, 255u}) {
        std::vector<std::uint8_t> payload(n);
        std::iota(payload.begin(), payload.end(), std::uint8_t(0xF0)); // wraps, includes 0x55/0xAA
        const auto frame = encodeFrame(0x12, payload);
        ASSERT_EQ(frame.size(), n + 5);
        EXPECT_EQ(frame.front(), 0x55);
        EXPECT_EQ(frame.back(), 0xAA);
        EXPECT_EQ(frame[1], static_cast<std::uint8_t>(n + 1));
        unsigned sum = 0x12;
        for (auto b : payload) sum += b;
        EXPECT_EQ(frame[3 + n], static_cast<std::uint8_t>(sum));
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), frame.begin() + 3));
    }
}

TEST(FrameCodec, IdentificationRequest)
{
    const std::string sig = "Kelvaron";
    const std::vector<std::uint8_t> payload(sig.begin(), sig.end());
    unsigned sum = 0;
    for (auto b : payload) sum += b;
    std::vector<std::uint8_t> expected { 0x55, 0x09, 0x00 };
    expected.insert(expected.end(), payload.begin(), payload.end());
    expected.push_back(static_cast<std::uint8_t>(sum));
    expected.push_back(0xAA);
    EXPECT_EQ(encodeFrame(CMD_IDENTIFY, payload), expected);
    EXPECT_EQ(expected[11], 0x42); // the eight signature bytes sum to 834
}
