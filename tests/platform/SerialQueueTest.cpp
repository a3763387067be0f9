#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <QMutex>
#include <QThread>

#include <atomic>

TEST(SerialQueue, RunsOperationsOneAtATimeInOrder)
{
    SerialQueue queue("test");
    QMutex m;
    QList<int> order;
    std::atomic<int> running{0}, maxRunning{0};
    for (int i = 0; i < 50; ++i) {
        queue.addOperation([&, i] {
            const int now = ++running;
            maxRunning = std::max(maxRunning.load(), now);
            QThread::usleep(100);
            {
                QMutexLocker l(&m);
                order << i;
            }
            --running;
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(queue.operationCount(), 0);
    EXPECT_EQ(maxRunning.load(), 1);
    ASSERT_EQ(order.size(), 50);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(SerialQueue, CancelDropsWaitingOperationsAndKeepsCountsExact)
{
    SerialQueue queue("test");
    std::atomic<bool> release{false};
    std::atomic<int> ran{0};
    std::atomic<bool> started{false};
    queue.addOperation([&] {
        started = true;
        while (!release)
            QThread::msleep(1);
        ++ran;
    });
    for (int i = 0; i < 10; ++i)
        queue.addOperation([&] { ++ran; });
    EXPECT_EQ(queue.operationCount(), 11);
    while (!started)
        QThread::msleep(1);
    queue.cancelAllOperations();
    queue.addOperation([&] { ran += 100; });
    release = true;
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 101);
    EXPECT_EQ(queue.operationCount(), 0);
}
