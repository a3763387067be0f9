#pragma once

#include <functional>

// Runs the event loop until `condition` holds or `timeoutMs` has passed.
// Returns whether the condition held.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the event loop for `ms` milliseconds.
void spinEventLoop(int ms);
