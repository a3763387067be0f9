#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include <sys/types.h>
#include <sys/uio.h>

// Writes ranges of bytes into one open file from any number of threads, one
// system call at a time. A thread that finds the file being written leaves
// its range with the thread that writes and waits in user space; that thread
// writes every range left with it when its own call returns, ranges that
// follow one another in the file in one call. Without it, threads writing
// into one file at once queue up on the file's lock in the kernel, and on a
// machine whose page cache is busy they spin there while each write waits
// for memory. Different files have writers of their own and go on in
// parallel.
//
// Ranges handed over at the same time are written in the order of their
// offsets; a thread's ranges are in the file in the order it wrote them,
// each written by the time its writeAt() returns.
class FileRangeWriter
{
public:
    // The call that puts bytes into the file: pwritev(2), or a stand-in.
    using WriteCall = std::function<ssize_t(int fd, const iovec* ranges, int count, off_t offset)>;

    explicit FileRangeWriter(int fd, WriteCall call = {});
    FileRangeWriter(const FileRangeWriter&) = delete;
    FileRangeWriter& operator=(const FileRangeWriter&) = delete;

    // Writes the `size` bytes at `data` at `offset` of the file; 0 once they
    // are all there, else the error (an errno value) that stopped them.
    // Any thread.
    int writeAt(qint64 offset, const char* data, qint64 size);

    // Ranges waiting for the thread that writes.
    int waitingRanges() const;

private:
    struct Range
    {
        qint64 offset;
        const char* data;
        qint64 size;
        int error = 0;
        bool done = false;
    };

    // Writes the ranges, each getting its outcome. Without the lock.
    void writeBatch(std::vector<Range*>& batch);
    // Writes a run of ranges that follow one another, in calls of at most
    // IOV_MAX ranges; sets the error of those not wholly written.
    void writeRun(Range* const* run, size_t count);

    int fd_;
    WriteCall call_;
    mutable std::mutex mutex_;
    std::condition_variable written_;
    std::vector<Range*> waiting_;
    bool writing_ = false;
};
