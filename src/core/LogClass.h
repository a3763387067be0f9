#pragma once

#include <QString>

// One entry of the log page.
struct LogClass
{
    QString type;    // level name: "[INFO]", "[DEBUG]", "[ERROR]", "[WARN]" or empty
    QString time;    // local time "HH:mm:ss.SSS"
    QString caller;  // "[Class method]"
    QString message; // the formatted message, without the caller
};
