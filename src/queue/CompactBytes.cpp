#include "queue/CompactBytes.h"

#include <cstdlib>
#include <cstring>
#include <new>

CompactBytes::CompactBytes(QByteArrayView bytes)
{
    assign(bytes);
}

CompactBytes::CompactBytes(const CompactBytes& other)
{
    assign(other.view());
}

CompactBytes& CompactBytes::operator=(const CompactBytes& other)
{
    if (this != &other) assign(other.view());
    return *this;
}

CompactBytes& CompactBytes::operator=(CompactBytes&& other) noexcept
{
    if (this != &other) {
        std::free(data_);
        data_ = other.data_;
        other.data_ = nullptr;
    }
    return *this;
}

CompactBytes::~CompactBytes()
{
    std::free(data_);
}

qsizetype CompactBytes::size() const
{
    if (!data_) return 0;
    qsizetype length;
    std::memcpy(&length, data_, sizeof length);
    return length;
}

QByteArrayView CompactBytes::view() const
{
    if (!data_) return {};
    return QByteArrayView(data_ + sizeof(qsizetype), size());
}

void CompactBytes::assign(QByteArrayView bytes)
{
    if (bytes.isEmpty()) {
        clear();
        return;
    }
    const qsizetype length = bytes.size();
    char* block = static_cast<char*>(std::malloc(sizeof length + size_t(length)));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, &length, sizeof length);
    std::memcpy(block + sizeof length, bytes.data(), size_t(length));
    std::free(data_);
    data_ = block;
}

void CompactBytes::clear()
{
    std::free(data_);
    data_ = nullptr;
}
