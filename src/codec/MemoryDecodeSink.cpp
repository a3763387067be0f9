#include "codec/MemoryDecodeSink.h"

#include <cstring>

namespace {
// Most parts are well under this; larger ones grow from here.
constexpr qsizetype kInitialCapacity = 1000000;
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
