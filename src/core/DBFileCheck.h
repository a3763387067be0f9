#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// Whether a store's file can be read at all, and what becomes of one that
// cannot. A file of random bytes, one cut short, an empty one or a database
// without any of the store's tables would otherwise fail every read and
// every write for good: the user's later data would be lost at each start
// while the old file sat there unchanged.
//
// A file is checked once per run and per file on disk (a file replaced
// under the same name is checked again); the checks done and the notices
// given are remembered for the whole process, from every thread.
class DBFileCheck
{
public:
    enum class Verdict {
        Readable,
        Damaged,
        // The check itself could not run (the file is locked, a read
        // failed): nothing is known, so nothing may be done to the file.
        Unknown,
    };

    struct Result
    {
        Verdict verdict = Verdict::Unknown;
        QString reason; // for the log: SQLite's message or what is missing
    };

    // Whether the file at `path` still needs its check in this run.
    static bool needsCheck(const QString& path);
    // Looks at the open connection `db` to `path`: the file's structure and
    // whether it holds at least one of `tables`. A readable file is
    // remembered as checked.
    static Result check(sqlite3* db, const QString& path, const QStringList& tables);
    // The file at `path` is known good (just made) or must be checked again
    // (an operation met damage).
    static void markChecked(const QString& path);
    static void forget(const QString& path);

    // Whether `code` (an SQLite result code) says the file is not a
    // database or is malformed.
    static bool isDamage(int code);

    // Renames `path` to "<path>.damaged-<date>" (a number added when that
    // exists), with the journal files SQLite keeps beside it. Answers the
    // new path, or an empty one when the file could not be moved; `error`
    // then says why.
    static QString setAside(const QString& path, QString* error = nullptr);

    // True the first time it is asked for `path` in this run: the user is
    // told of a damaged store once, however often it is met.
    static bool firstNotice(const QString& path);

    // The table a "CREATE TABLE [IF NOT EXISTS] name (...)" statement makes.
    static QString tableNameOf(const QString& createStatement);
};
