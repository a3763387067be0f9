#pragma once

#include "core/StringFormat.h"

#include <QDebug>
#include <QLoggingCategory>

// Low-level diagnostics of the PAR2 reader go to the system console (Qt's
// message handler, standard error by default), not to the program's log.
inline const QLoggingCategory& par2ConsoleCategory()
{
    static const QLoggingCategory category("binorama.par2");
    return category;
}

template <typename... Args> void par2Console(QStringView format, const Args&... args)
{
    qCInfo(par2ConsoleCategory).noquote() << sformat(format, args...);
}
