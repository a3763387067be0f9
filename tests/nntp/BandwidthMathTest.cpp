#include "nntp/BandwidthMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using BandwidthMath::bufferSize;
using BandwidthMath::maxBytesPerSecond;

TEST(BandwidthMath, CapInBytesIsAnEighthOfTheBits)
{
    EXPECT_DOUBLE_EQ(maxBytesPerSecond(625000), 78125);
    EXPECT_DOUBLE_EQ(maxBytesPerSecond(100000000), 12500000);
    EXPECT_DOUBLE_EQ(maxBytesPerSecond(0), 0);
}

TEST(BandwidthMath, ReadSizeUnderACap)
{
    struct Case
    {
        double bits; // "maxBandwidthThroughPut"
        qint64 k;    // open connections
        qint64 used; // bytes taken in the current second
        quint64 want;
        const char* why;
    };
    const Case cases[] = {
        {100000000, 1, 0, 163840, "very high cap: one large read"},
        {100000000, 50, 0, 163840, "very high cap, whatever the number of connections"},
        {50000000, 20, 0, 819, "16384 shared by 20"},
        {50000000, 20, 6250000 - 2000, 500, "near the end of the budget: a quarter of what is left"},
        {50000000, 20, 6250000 - 800, 800, "less left than the share: what is left"},
        {1000000, 8, 0, 2048, "M = 125,000 with 8 connections"},
        {1000000, 1, 125000 - 65536, 16384, "a quarter of what is left is still the whole share"},
        {1000000, 1, 125000 - 50000, 12500, "a quarter of 50,000"},
        {1000000, 1, 125000 - 10000, 10000, "less than the share left"},
        {80000, 4, 6000, 4000, "small cap: 16384 always exceeds the budget"},
        {800000, 4, 0, 409, "M = 100,000: 1638 shared by 4"},
        {800000, 4, 100000 - 1000, 250, "... clipped to a quarter of 1,000"},
        {1000000, 0, 0, 16384, "no open connection yet"},
        {80000, 0, 0, 10000, "no connection, small cap: the whole budget"},
        {1000000, 20000, 0, 1, "more connections than bytes in the share: never 0"},
        {1000000, 1, 125000, 1, "budget spent exactly: one byte"},
        {1000000, 1, 130000, 1, "budget overdrawn: one byte"},
        {0, 1, 0, 1, "a zero cap reads one byte at a time"},
        {1000000, -3, 0, 16384, "a negative count is no connection"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bufferSize(true, maxBytesPerSecond(c.bits), c.k, c.used), c.want) << c.why;
}

TEST(BandwidthMath, ReadSizeWithoutACapIsFixed)
{
    EXPECT_EQ(bufferSize(false, maxBytesPerSecond(80000), 4, 999999), 32768u);
    EXPECT_EQ(bufferSize(false, 0, 0, 0), 32768u);
}

TEST(BandwidthMath, NonFiniteCapsNeverBreakTheRead)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(bufferSize(true, nan, 4, 0), 16384u);
    EXPECT_EQ(bufferSize(true, inf, 4, 0), 163840u);
    EXPECT_EQ(bufferSize(true, -inf, 4, 0), 1u);
}
