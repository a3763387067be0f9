#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// The recent values of the program's fields, kept in the settings.
class TVLComponentUtils
{
public:
    // Puts `entry` at the front of the list stored under `key`, removes its
    // older copies and cuts the list to "maxSearchFieldHistory" entries (10
    // when that setting is 0, absent or negative). Does nothing without an
    // entry or a key.
    static void updateSearchHistoryWithObject(const QVariant& entry, const QString& key);

    // The list stored under `key`; empty when there is none. The settings file
    // hands a one-entry list back as a plain value, which is read as a list of
    // one.
    static QVariantList arrayForKey(const QString& key);
};
