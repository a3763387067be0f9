#include "queue/FileRangeWriter.h"

#include "support/ArticleFixtures.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Waits (at most 20 s, so that a broken writer fails instead of hanging)
// until `condition` holds.
bool waitFor(const std::function<bool()>& condition)
{
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

ssize_t realWrite(int fd, const iovec* ranges, int count, off_t offset)
{
    return ::pwritev(fd, ranges, count, offset);
}

class FileRangeWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("file.bin"));
        fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd_, 0);
    }
    void TearDown() override
    {
        if (fd_ >= 0) ::close(fd_);
    }

    QTemporaryDir dir_;
    QString path_;
    int fd_ = -1;
};

// Many threads deliver their ranges of one file at once. The writes reach
// the file one at a time: the first call is held until every other thread
// has handed over its range, and no call ever begins while another is under
// way. The ranges handed over meanwhile go in one call, and every byte is in
// its place.
TEST_F(FileRangeWriterTest, ManyThreadsWritingOneFileWriteOneAtATimeAndEveryByteLands)
{
    constexpr int kThreads = 8;
    constexpr int kRangesEach = 64;
    constexpr qsizetype kRange = 1000;
    const QByteArray data = ArticleFixtures::randomBytes(kThreads * kRangesEach * kRange, 23);

    std::atomic<int> inCall{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> calls{0};
    std::atomic<int> mostRangesInACall{0};
    std::atomic<bool> heldLongEnough{true};
    FileRangeWriter* writerSeen = nullptr;
    FileRangeWriter writer(fd_, [&](int fd, const iovec* ranges, int count, off_t offset) {
        if (inCall.fetch_add(1) > 0) ++overlaps;
        if (calls.fetch_add(1) == 0 &&
            !waitFor([&] { return writerSeen->waitingRanges() == kThreads - 1 || overlaps.load() > 0; }))
            heldLongEnough = false;
        for (int most = mostRangesInACall.load(); count > most && !mostRangesInACall.compare_exchange_weak(most, count);) {
        }
        const ssize_t n = realWrite(fd, ranges, count, offset);
        inCall.fetch_sub(1);
        return n;
    });
    writerSeen = &writer;

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Interleaved with the other threads' ranges, backwards.
            for (int i = kRangesEach - 1; i >= 0; --i) {
                const qsizetype at = qsizetype(i * kThreads + t) * kRange;
                if (writer.writeAt(at, data.constData() + at, kRange) != 0) ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_TRUE(heldLongEnough.load()) << "the other threads never all handed their ranges over";
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GE(mostRangesInACall.load(), 2);
    EXPECT_LT(calls.load(), kThreads * kRangesEach);
    EXPECT_TRUE(fileBytes(path_) == data);
}

// Whatever the call does short of failing, every byte lands; a failure is
// the range's outcome, with its error.
TEST_F(FileRangeWriterTest, ShortWritesAreCompletedAndFailuresReported)
{
    struct Case
    {
        const char* name;
        // Called for each call, counted from 0.
        std::function<ssize_t(int fd, const iovec* ranges, int count, off_t offset, int call)> call;
        int expected;
    };
    const std::vector<Case> cases = {
        {"at most 100 bytes a call",
         [](int fd, const iovec* ranges, int, off_t offset, int) {
             iovec piece{ranges[0].iov_base, std::min<size_t>(100, ranges[0].iov_len)};
             return realWrite(fd, &piece, 1, offset);
         },
         0},
        {"interrupted once",
         [](int fd, const iovec* ranges, int count, off_t offset, int call) -> ssize_t {
             if (call == 0) {
                 errno = EINTR;
                 return -1;
             }
             return realWrite(fd, ranges, count, offset);
         },
         0},
        {"disk full after a first piece",
         [](int fd, const iovec* ranges, int, off_t offset, int call) -> ssize_t {
             if (call == 0) {
                 iovec piece{ranges[0].iov_base, 1000};
                 return realWrite(fd, &piece, 1, offset);
             }
             errno = ENOSPC;
             return -1;
         },
         ENOSPC},
        {"nothing written", [](int, const iovec*, int, off_t, int) -> ssize_t { return 0; }, EIO},
    };
    const QByteArray data = ArticleFixtures::randomBytes(5000, 29);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(::ftruncate(fd_, 0), 0);
        int call = 0;
        FileRangeWriter writer(fd_, [&](int fd, const iovec* ranges, int count, off_t offset) {
            return c.call(fd, ranges, count, offset, call++);
        });
        EXPECT_EQ(writer.writeAt(300, data.constData(), data.size()), c.expected);
        if (c.expected == 0) {
            EXPECT_TRUE(fileBytes(path_) == QByteArray(300, '\0') + data);
        }
    }
}

// Ranges written together in one call: a failure part of the way through
// fails only the ranges not wholly written; the one written whole is
// reported written.
TEST_F(FileRangeWriterTest, FailureInAJoinedCallFailsOnlyTheRangesNotWritten)
{
    const QByteArray data = ArticleFixtures::randomBytes(3000, 31);
    std::atomic<bool> holding{false};
    std::atomic<int> calls{0};
    FileRangeWriter* writerSeen = nullptr;
    FileRangeWriter writer(fd_, [&](int fd, const iovec* ranges, int count, off_t offset) -> ssize_t {
        const int call = calls.fetch_add(1);
        if (call == 0) {
            // The far range of the first thread, held until the three others
            // wait.
            holding = true;
            waitFor([&] { return writerSeen->waitingRanges() == 3; });
            return realWrite(fd, ranges, count, offset);
        }
        if (call == 1) {
            EXPECT_EQ(count, 3);
            EXPECT_EQ(offset, 0);
            // The first range whole and half of the second.
            iovec pieces[2] = {ranges[0], {ranges[1].iov_base, 500}};
            return realWrite(fd, pieces, 2, offset);
        }
        errno = ENOSPC;
        return -1;
    });
    writerSeen = &writer;

    std::thread far([&] { EXPECT_EQ(writer.writeAt(100000, data.constData(), 10), 0); });
    ASSERT_TRUE(waitFor([&] { return holding.load(); }));
    int outcomes[3] = {-1, -1, -1};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] { outcomes[t] = writer.writeAt(t * 1000, data.constData() + t * 1000, 1000); });
    for (std::thread& thread : threads)
        thread.join();
    far.join();

    EXPECT_EQ(outcomes[0], 0);
    EXPECT_EQ(outcomes[1], ENOSPC);
    EXPECT_EQ(outcomes[2], ENOSPC);
    EXPECT_TRUE(fileBytes(path_).first(1000) == data.first(1000));
}

} // namespace
