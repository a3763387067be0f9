#pragma once

#include <QString>

// Finds the external tools (par2, unar, 7zz): first in the helpers folder
// beside the executable, then on PATH. Any thread.
class ToolLocator
{
public:
    // "<folder of the executable>/helpers", or the folder set below.
    static QString helpersFolder();
    // Replaces the helpers folder for the whole process (tests put scripted
    // tools there); an empty path restores the default.
    static void setHelpersFolder(const QString& folder);

    // The full path of the executable `name`, or an empty string.
    static QString pathForTool(const QString& name);
};
