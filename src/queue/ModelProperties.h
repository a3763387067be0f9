#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <memory>

// Accessors for the model records (queue items, articles, recovery sets).
// Connection threads, writer operations and tool threads read and write these
// records while the main thread shows them, so every single read or write is
// whole: scalars live in std::atomic, every other value is guarded by the
// record's own `lock_` (a `mutable QMutex` that each record declares).
// A getter of a guarded value returns a copy; Qt's implicit sharing keeps that
// cheap for strings, byte arrays and lists.
//
// Each macro ends in private access.

#define MODEL_ATOMIC(Type, name, setter, initial)                                                            \
public:                                                                                                      \
    Type name() const                                                                                        \
    {                                                                                                        \
        return name##_.load();                                                                               \
    }                                                                                                        \
    void setter(Type value)                                                                                  \
    {                                                                                                        \
        name##_.store(value);                                                                                \
    }                                                                                                        \
                                                                                                             \
private:                                                                                                     \
    std::atomic<Type> name##_{initial};

#define MODEL_GUARDED(Type, name, setter)                                                                    \
public:                                                                                                      \
    Type name() const                                                                                        \
    {                                                                                                        \
        QMutexLocker locker(&lock_);                                                                         \
        return name##_;                                                                                      \
    }                                                                                                        \
    void setter(const Type& value)                                                                           \
    {                                                                                                        \
        QMutexLocker locker(&lock_);                                                                         \
        name##_ = value;                                                                                     \
    }                                                                                                        \
                                                                                                             \
private:                                                                                                     \
    Type name##_{};

// A weak reference: the getter returns a strong reference while the target
// lives, else null.
#define MODEL_WEAK(Type, name, setter)                                                                       \
public:                                                                                                      \
    std::shared_ptr<Type> name() const                                                                       \
    {                                                                                                        \
        QMutexLocker locker(&lock_);                                                                         \
        return name##_.lock();                                                                               \
    }                                                                                                        \
    void setter(const std::shared_ptr<Type>& value)                                                          \
    {                                                                                                        \
        QMutexLocker locker(&lock_);                                                                         \
        name##_ = value;                                                                                     \
    }                                                                                                        \
                                                                                                             \
private:                                                                                                     \
    std::weak_ptr<Type> name##_;
