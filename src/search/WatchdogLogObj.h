#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class Watchdog;

// One line of the Watchdog log (memory only, newest first).
struct WatchdogLogObj
{
    qint64 tag = 0;
    std::shared_ptr<Watchdog> watchdog; // the entry the line is about
    QString matchesString = QStringLiteral("--");
    QString dateString;
    QString bytesString = QStringLiteral("--");
    QString actionString = QStringLiteral("--");
};
