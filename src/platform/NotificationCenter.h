#pragma once

#include <QString>

// Banner messages through the desktop's notification service
// (org.freedesktop.Notifications on the session bus).
class NotificationCenter
{
public:
    // Shows a banner with `title` and `infoText`, the default message sound
    // and no action button. It sends and never waits; where no session bus
    // or no notification service exists nothing happens. It consults no
    // setting: the caller decides. Safe on any thread.
    static void showMessage(const QString& title, const QString& infoText);
};
