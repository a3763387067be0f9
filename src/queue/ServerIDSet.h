#pragma once

#include <QList>
#include <QStringList>

#include <cstdint>
#include <memory>

// A set of news servers by their ServerIDRegistry numbers: the first 64 in
// one word, any beyond in a list made only when needed. Remembers the order
// in which servers were added. Not thread-safe by itself; its owner guards it.
class ServerIDSet
{
public:
    ServerIDSet() = default;
    ServerIDSet(const ServerIDSet& other);
    ServerIDSet& operator=(const ServerIDSet& other);
    ServerIDSet(ServerIDSet&&) noexcept = default;
    ServerIDSet& operator=(ServerIDSet&&) noexcept = default;

    // Returns false when the server was already in the set.
    bool insert(int token);
    bool contains(int token) const;
    bool isEmpty() const { return count() == 0; }
    int count() const;
    void clear();

    // The identifiers, in the order they were added.
    QStringList serverIDs() const;

private:
    std::uint64_t bits_ = 0;
    // Every token in order of addition; exists only when the set holds a
    // token of 64 or more, or when the order differs from numeric order.
    std::unique_ptr<QList<int>> ordered_;

    QList<int> tokens() const;
};
