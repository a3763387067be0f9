#pragma once

#include <functional>

class QObject;

// Hand-offs between threads. Nothing here ever waits for the main thread.
namespace Dispatch {

// Runs `fn` later on the main thread (the thread of the application object).
// Safe to call from any thread, including the main thread itself.
void onMain(std::function<void()> fn);

// Runs `fn` later on the thread of `context`; dropped if `context` is
// destroyed first.
void onThreadOf(QObject* context, std::function<void()> fn);

// Runs `fn` on the global concurrent pool.
void global(std::function<void()> fn);

bool isMainThread();

} // namespace Dispatch
