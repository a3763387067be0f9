#pragma once

#include <QString>

// Shows a file or folder in the desktop's file manager, selected, through
// the freedesktop FileManager1 service on the session bus. The call is sent
// without waiting for an answer; false when no session bus is reachable.
class FileManagerReveal
{
public:
    static bool revealItem(const QString& path);
};
