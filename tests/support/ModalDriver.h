#pragma once

#include <QApplication>
#include <QWidget>

#include <functional>

// Acts on a modal window from inside its modal run: once a visible top-level
// widget accepted by `find` exists, `action` runs with it, from the event
// loop that is then running. Gives up after `timeoutMs`: the test fails and
// "ApplicationWillTerminate" is posted so that every dialog ends and the test
// does not hang.
void whenShown(std::function<bool(QWidget*)> find, std::function<void(QWidget*)> action,
               int timeoutMs = 5000);

// The same for the first visible window of type T (not `except`).
template <class T>
void whenShown(std::function<void(T*)> action, const QWidget* except = nullptr, int timeoutMs = 5000)
{
    whenShown([except](QWidget* w) { return w != except && qobject_cast<T*>(w) != nullptr; },
              [action](QWidget* w) { action(qobject_cast<T*>(w)); }, timeoutMs);
}
