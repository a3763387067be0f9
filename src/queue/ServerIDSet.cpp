#include "queue/ServerIDSet.h"

#include "queue/ServerIDRegistry.h"

#include <bit>

ServerIDSet::ServerIDSet(const ServerIDSet& other)
    : bits_(other.bits_), ordered_(other.ordered_ ? std::make_unique<QList<int>>(*other.ordered_) : nullptr)
{}

ServerIDSet& ServerIDSet::operator=(const ServerIDSet& other)
{
    if (this != &other) {
        bits_ = other.bits_;
        ordered_ = other.ordered_ ? std::make_unique<QList<int>>(*other.ordered_) : nullptr;
    }
    return *this;
}

bool ServerIDSet::contains(int token) const
{
    if (token < 0) return false;
    if (token < 64) return (bits_ >> token) & 1u;
    return ordered_ && ordered_->contains(token);
}

bool ServerIDSet::insert(int token)
{
    if (token < 0 || contains(token)) return false;
    // Without the list the order of addition is the numeric order of the
    // bits; a token below the highest one so far, or one beyond the word,
    // needs the list from here on.
    const bool inOrder = token < 64 && (bits_ == 0 || token > 63 - std::countl_zero(bits_));
    if (!ordered_ && !inOrder) ordered_ = std::make_unique<QList<int>>(tokens());
    if (ordered_) ordered_->append(token);
    if (token < 64) bits_ |= std::uint64_t(1) << token;
    return true;
}

int ServerIDSet::count() const
{
    return ordered_ ? int(ordered_->size()) : std::popcount(bits_);
}

void ServerIDSet::clear()
{
    bits_ = 0;
    ordered_.reset();
}

QList<int> ServerIDSet::tokens() const
{
    if (ordered_) return *ordered_;
    QList<int> result;
    for (std::uint64_t rest = bits_; rest; rest &= rest - 1)
        result.append(std::countr_zero(rest));
    return result;
}

QStringList ServerIDSet::serverIDs() const
{
    QStringList ids;
    for (int token : tokens())
        ids.append(ServerIDRegistry::serverIDForToken(token));
    return ids;
}
