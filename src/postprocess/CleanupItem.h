#pragma once

#include "queue/ModelProperties.h"

#include <QString>

#include <memory>

class CleanupItem;
using CleanupItemPtr = std::shared_ptr<CleanupItem>;

// One clean-up pattern of the user's list: a wildcard on file names ("*" and
// "?" only, case-insensitive) whose matches are deleted from a finished job's
// folder while the pattern is checked. The settings page edits the fields in
// place while the clean-up step may read them on the background pool, so
// every field is whole under concurrent use.
class CleanupItem
{
public:
    CleanupItem() = default;
    CleanupItem(const CleanupItem&) = delete;
    CleanupItem& operator=(const CleanupItem&) = delete;

    static CleanupItemPtr create(const QString& searchItem = QString(), bool checkbox = true,
                                 const QString& info = QString());

    // The pattern is in use.
    MODEL_ATOMIC(bool, checkbox, setCheckbox, true)
    // The pattern itself, such as "*.nfo".
    MODEL_GUARDED(QString, searchItem, setSearchItem)
    // The user's description.
    MODEL_GUARDED(QString, info, setInfo)

private:
    mutable QMutex lock_;
};
