#pragma once

#include <memory>

// Base of a delegate that the objects reporting to it hold weakly: its token
// lives exactly as long as the delegate, so a report that comes after the
// delegate is gone finds the token expired and is dropped (see WeakDelegate).
class DelegateLifetime
{
public:
    DelegateLifetime() : token_(std::make_shared<char>()) {}
    virtual ~DelegateLifetime() = default;
    DelegateLifetime(const DelegateLifetime&) = delete;
    DelegateLifetime& operator=(const DelegateLifetime&) = delete;

    std::weak_ptr<const void> lifetimeToken() const { return token_; }

private:
    std::shared_ptr<const void> token_;
};
