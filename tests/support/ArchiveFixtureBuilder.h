#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Archives made at test time: by the real 7-Zip (7zz), by Python's zipfile
// module (Debian's /usr/bin/python3), and, as there is no RAR writer here,
// the leading headers of RAR 4 and RAR 5 archives built by hand.
class ArchiveFixtureBuilder
{
public:
    using Entry = QPair<QString, QByteArray>; // name in the archive, contents

    // `archive` made by 7zz from `entries`; `type` is "7z" or "zip".
    static bool make7zz(const QString& archive, const QList<Entry>& entries, const QString& type = "7z");
    // The same with further switches of 7zz ("-pword", "-mhe=on", "-v100k",
    // "-mem=AES256").
    static bool make7zz(const QString& archive, const QList<Entry>& entries, const QString& type,
                        const QStringList& switches);
    // A zip written by Python's zipfile in the given entry order; the first
    // entry is stored uncompressed when `firstStored` (as EPUB requires).
    static bool makePythonZip(const QString& archive, const QList<Entry>& entries, bool firstStored = false);
    // An office document (its first entry "[Content_Types].xml").
    static bool makeOfficeDocument(const QString& path);
    // An electronic book (first entry "mimetype", stored).
    static bool makeEpub(const QString& path);

    // The marker block and main archive header of a RAR 4 archive (with its
    // CRC), as every RAR 4 volume starts.
    static QByteArray rar4Header();
    // The signature and main archive header of a RAR 5 archive.
    static QByteArray rar5Header();

    static bool writeFile(const QString& path, const QByteArray& data);
};
