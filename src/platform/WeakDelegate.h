#pragma once

#include <memory>

// A weak reference to a delegate of type T (anything with lifetimeToken(),
// such as a DelegateLifetime): get() answers the delegate while it lives and
// null afterwards. Used on the thread that owns the delegate.
template <typename T> class WeakDelegate
{
public:
    WeakDelegate() = default;
    explicit WeakDelegate(T* delegate) { reset(delegate); }

    void reset(T* delegate = nullptr)
    {
        delegate_ = delegate;
        token_ = delegate ? delegate->lifetimeToken() : std::weak_ptr<const void>();
    }
    T* get() const { return delegate_ && !token_.expired() ? delegate_ : nullptr; }

private:
    T* delegate_ = nullptr;
    std::weak_ptr<const void> token_;
};
