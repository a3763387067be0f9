#pragma once

#include <QMap>
#include <QString>

// A property-list file in its XML form holding one dictionary of texts (the
// folder bookmarks). Read whole, written whole and atomically: a crash
// while writing leaves the previous file.
class PropertyListFile
{
public:
    // The entries of the file's dictionary whose values are texts; empty
    // when the file is missing or unreadable.
    static QMap<QString, QString> readDictionary(const QString& path);
    // Answers whether the file was written; `error` tells why not.
    static bool writeDictionary(const QString& path, const QMap<QString, QString>& dictionary,
                                QString* error = nullptr);
};
