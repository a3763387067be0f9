#include "codec/MemoryDecodeSink.h"

#include <cstring>

namespace {
// A part's expected size is reserved once it is known; until then a small
// start, so that a short decode makes no large allocation (an allocation of
// a megabyte is mapped and unmapped afresh each time under a sanitizer,
// which made a decoder's fuzz run twenty times slower).
constexpr qsizetype kInitialCapacity = 64 * 1024;
} // namespace

MemoryDecodeSink::MemoryDecodeSink()
{
    data_.reserve(kInitialCapacity);
}

void MemoryDecodeSink::expectSize(qint64 bytes)
{
    if (bytes > data_.capacity()) data_.reserve(qsizetype(bytes));
}

bool MemoryDecodeSink::writeAt(qint64 offset, QByteArrayView data)
{
    if (offset < 0) return false;
    const qint64 end = offset + data.size();
    const qsizetype oldSize = data_.size();
    if (end > oldSize) {
        data_.resize(qsizetype(end));
        if (offset > oldSize) std::memset(data_.data() + oldSize, 0, size_t(offset - oldSize));
    }
    if (!data.isEmpty()) std::memcpy(data_.data() + offset, data.data(), size_t(data.size()));
    return true;
}
