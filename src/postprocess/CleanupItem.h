#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One cleanup pattern: a case-insensitive wildcard on file names ("*" any
// run, "?" one character, everything else literal) with its switch and the
// user's description. A value: copies are independent.
class CleanupItem
{
public:
    CleanupItem() = default;
    CleanupItem(bool checkbox, QString searchItem, QString info)
        : checkbox(checkbox), searchItem(std::move(searchItem)), info(std::move(info))
    {}

    bool checkbox = true; // in use
    QString searchItem;   // the pattern
    QString info;         // the description

    bool operator==(const CleanupItem& other) const = default;
};

Q_DECLARE_METATYPE(CleanupItem)
