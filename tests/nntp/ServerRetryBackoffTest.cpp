// The wait before a failing news server is tried again.

#include "nntp/ServerRetryBackoff.h"

#include <gtest/gtest.h>

TEST(ServerRetryBackoff, TheWaitDoublesFromOneSecondUpToAMinute)
{
    const qint64 expected[] = {1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000};
    for (int failures = 1; failures <= 9; ++failures)
        EXPECT_EQ(ServerRetryBackoff::delayAfter(failures), expected[failures - 1]) << failures;
    EXPECT_EQ(ServerRetryBackoff::delayAfter(1000), ServerRetryBackoff::kMaxDelayMs);
}

// Connections opened together fail together: only the first failure of a
// generation makes the wait longer, and only a connection opened since the
// last failure can end it.
TEST(ServerRetryBackoff, FailuresAndSuccessesCountByGeneration)
{
    ServerRetryBackoff backoff;
    EXPECT_FALSE(backoff.isFailing("A"));
    EXPECT_FALSE(backoff.retryAt("A").has_value());
    const quint64 first = backoff.generation("A");

    EXPECT_TRUE(backoff.failed("A", first, 10000, "StreamError (61)"));
    EXPECT_FALSE(backoff.failed("A", first, 10050, "Error: [400] busy")) << "a sibling of the same round";
    EXPECT_EQ(backoff.failures("A"), 1);
    EXPECT_EQ(backoff.retryAt("A"), 11000);
    EXPECT_EQ(backoff.reason("A"), "Error: [400] busy");
    EXPECT_FALSE(backoff.succeeded("A", first)) << "opened before the failure: proves nothing";
    EXPECT_TRUE(backoff.isFailing("A"));

    const quint64 probe = backoff.generation("A");
    EXPECT_GT(probe, first);
    EXPECT_TRUE(backoff.failed("A", probe, 11000, "Error: [400] busy"));
    EXPECT_EQ(backoff.retryAt("A"), 13000);
    EXPECT_EQ(backoff.failingServers(), QStringList({"A"}));
    EXPECT_FALSE(backoff.isFailing("B"));

    EXPECT_TRUE(backoff.succeeded("A", backoff.generation("A")));
    EXPECT_FALSE(backoff.isFailing("A"));
    EXPECT_TRUE(backoff.reason("A").isEmpty());
    EXPECT_FALSE(backoff.anyFailing());
    // A new run of failures starts again at one second.
    EXPECT_TRUE(backoff.failed("A", backoff.generation("A"), 20000, "x"));
    EXPECT_EQ(backoff.retryAt("A"), 21000);
}

TEST(ServerRetryBackoff, ClearingForgetsFailuresButNotGenerations)
{
    ServerRetryBackoff backoff;
    const quint64 old = backoff.generation("A");
    ASSERT_TRUE(backoff.failed("A", old, 0, "x"));
    ASSERT_TRUE(backoff.failed("B", backoff.generation("B"), 0, "y"));
    backoff.clear();
    EXPECT_FALSE(backoff.anyFailing());
    EXPECT_TRUE(backoff.failingServers().isEmpty());
    // A connection of before the clear that fails late does not count.
    EXPECT_FALSE(backoff.failed("A", old, 0, "late"));
    EXPECT_FALSE(backoff.isFailing("A"));
}
