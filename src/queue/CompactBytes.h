#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A byte string in one heap block (its length, then the bytes) behind a
// single pointer: 8 bytes when empty, no capacity slack, no shared header.
// Articles keep their message-ids in it, of which a job may hold millions.
// Not thread-safe by itself; its owner guards it.
class CompactBytes
{
public:
    CompactBytes() = default;
    explicit CompactBytes(QByteArrayView bytes);
    CompactBytes(const CompactBytes& other);
    CompactBytes(CompactBytes&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
    CompactBytes& operator=(const CompactBytes& other);
    CompactBytes& operator=(CompactBytes&& other) noexcept;
    ~CompactBytes();

    bool isEmpty() const { return size() == 0; }
    qsizetype size() const;
    // Valid until the value is changed or destroyed.
    QByteArrayView view() const;
    QByteArray toByteArray() const { return view().toByteArray(); }

    void assign(QByteArrayView bytes);
    void clear();

private:
    // [qsizetype length][bytes]; null for the empty string.
    char* data_ = nullptr;
};
