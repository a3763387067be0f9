#pragma once

#include "core/StringFormat.h"

#include <QDebug>
#include <QLoggingCategory>

// Low-level diagnostics of the search-service client (records that cannot be
// read, failed connections, errors the service reports) go to the system
// console (Qt's message handler, standard error by default), not to the
// program's log.
inline const QLoggingCategory& deepLookupConsoleCategory()
{
    static const QLoggingCategory category("binorama.deeplookup");
    return category;
}

template <typename... Args> void deepLookupConsole(QStringView format, const Args&... args)
{
    qCInfo(deepLookupConsoleCategory).noquote() << sformat(format, args...);
}
