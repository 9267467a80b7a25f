// What a transfer's progress says: percent, bytes, a rate smoothed over the
// last seconds, the time left, and "stalled" once nothing has moved for two
// seconds (never a rate sinking towards zero with hours left).
#include "link/TransferProgress.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zarn;

TEST(TransferProgress, TextHasBytesPercentRateAndTimeLeft)
{
    const auto text = [](std::uint64_t done, std::uint64_t total, double seconds) {
        TransferProgress p(total);
        p.update(done, seconds);
        return p.text();
    };
    EXPECT_EQ(text(8192, 16384, 2.0), "8192 of 16384 bytes (50%), 4.0 KiB/s, 0:02 left");
    EXPECT_EQ(text(0, 16384, 0.0), "0 of 16384 bytes (0%), 0 B/s, --:-- left");
    EXPECT_EQ(text(16383, 16384, 1.0), "16383 of 16384 bytes (99%), 16.0 KiB/s, 0:00 left");
    EXPECT_EQ(text(1048576, 1048576, 1.0), "1048576 of 1048576 bytes (100%), 1.0 MiB/s, 0:00 left");
    EXPECT_EQ(formatDuration(65), "1:05");
    EXPECT_EQ(formatDuration(3725), "1:02:05");
    EXPECT_EQ(formatDuration(NAN), "--:--");
    EXPECT_EQ(formatBytes(1023), "1023 B");
}

TEST(TransferProgress, TheRateFollowsTheRecentPaceAndAStallIsSaid)
{
    TransferProgress p(16u << 20);
    double t = 0;
    std::uint64_t done = 0;
    for (; t < 30; t += 0.1) // 10 KiB/s for half a minute
        p.update(done += 1024, t);
    EXPECT_NEAR(p.bytesPerSecond(), 10240, 300);
    for (const double until = t + 15; t < until; t += 0.1) // then 1 KiB/s
        p.update(done += 102, t);
    EXPECT_NEAR(p.bytesPerSecond(), 1020, 100) << "fifteen seconds on, the old pace hardly counts";
    EXPECT_FALSE(p.stalled());

    t -= 0.1; // when the last bytes moved
    p.update(done, t + 1.9);
    EXPECT_FALSE(p.stalled());
    p.update(done, t + 2.0);
    EXPECT_TRUE(p.stalled());
    EXPECT_EQ(p.bytesPerSecond(), 0);
    EXPECT_TRUE(std::isnan(p.secondsLeft()));
    EXPECT_EQ(p.text(), std::to_string(done) + " of 16777216 bytes (" + std::to_string(p.percent()) + "%), stalled");
    p.update(done + 32, t + 2.1);
    EXPECT_FALSE(p.stalled()) << "moving again";
}
