#include "queue/FileRangeWriter.h"

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// One call writes at most this many bytes, as a single large write did
// before: a range larger than that goes in several calls.
constexpr qint64 kMaxCallBytes = qint64(64) << 20;

} // namespace

FileRangeWriter::FileRangeWriter(int fd, WriteCall call)
    : fd_(fd), call_(call ? std::move(call) : WriteCall(&::pwritev))
{}

int FileRangeWriter::waitingRanges() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return int(waiting_.size());
}

int FileRangeWriter::writeAt(qint64 offset, const char* data, qint64 size)
{
    if (size <= 0) return 0;
    Range own{offset, data, size};
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_.push_back(&own);
    while (!own.done) {
        if (writing_) {
            written_.wait(lock);
            continue;
        }
        // Nobody writes: this thread writes what waits, its own range among
        // it unless an earlier writer took that already, then hands on.
        writing_ = true;
        std::vector<Range*> batch;
        batch.swap(waiting_);
        lock.unlock();
        writeBatch(batch);
        lock.lock();
        for (Range* range : batch)
            range->done = true;
        writing_ = false;
        written_.notify_all();
    }
    return own.error;
}

void FileRangeWriter::writeBatch(std::vector<Range*>& batch)
{
    // Stable: ranges of one offset keep the order they came in.
    std::vector<Range*> sorted = batch;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Range* a, const Range* b) { return a->offset < b->offset; });
    for (size_t first = 0; first < sorted.size();) {
        size_t end = first + 1;
        while (end < sorted.size() && end - first < size_t(IOV_MAX) &&
               sorted[end]->offset == sorted[end - 1]->offset + sorted[end - 1]->size)
            ++end;
        writeRun(sorted.data() + first, end - first);
        first = end;
    }
}

void FileRangeWriter::writeRun(Range* const* run, size_t count)
{
    std::vector<iovec> ranges(count);
    for (size_t i = 0; i < count; ++i)
        ranges[i] = iovec{const_cast<char*>(run[i]->data), size_t(run[i]->size)};
    qint64 offset = run[0]->offset;
    size_t next = 0; // the first range not wholly written
    while (next < count) {
        // At most kMaxCallBytes in one call: the ranges that fit, or a piece
        // of the next one.
        int calls = 0;
        qint64 bytes = 0;
        while (next + size_t(calls) < count && bytes < kMaxCallBytes) {
            bytes += qint64(ranges[next + size_t(calls)].iov_len);
            ++calls;
        }
        const iovec last = ranges[next + size_t(calls) - 1];
        if (bytes > kMaxCallBytes)
            ranges[next + size_t(calls) - 1].iov_len -= size_t(bytes - kMaxCallBytes);
        const ssize_t n = call_(fd_, ranges.data() + next, calls, off_t(offset));
        ranges[next + size_t(calls) - 1].iov_len = last.iov_len;
        const int error = n < 0 ? errno : n == 0 ? EIO : 0;
        if (n < 0 && error == EINTR) continue;
        if (error) {
            for (size_t i = next; i < count; ++i)
                run[i]->error = error;
            return;
        }
        // Past the ranges written whole, into the one written in part.
        offset += n;
        for (qint64 left = n; left > 0;) {
            iovec& range = ranges[next];
            const qint64 taken = std::min<qint64>(left, qint64(range.iov_len));
            range.iov_base = static_cast<char*>(range.iov_base) + taken;
            range.iov_len -= size_t(taken);
            left -= taken;
            if (range.iov_len == 0) ++next;
        }
    }
}
