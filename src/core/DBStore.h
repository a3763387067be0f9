#pragma once

#include "core/DBStatement.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct sqlite3;

// One data table of a store: how it is made, and what is logged when making
// it fails.
struct DBTableDefinition
{
    QString createStatement; // "CREATE TABLE IF NOT EXISTS ..."
    QString failureText;     // empty: "(1) Failed to create <store> database."
};

// What a store is: its file, version, tables and texts. The texts left empty
// are made from `storeName` the way every store words them.
struct DBStoreDefinition
{
    enum class VersionRule {
        None,     // the version is written at creation and never compared
        Recreate, // another version: the file is deleted and made anew
        Convert,  // another version: convertDBFromVersion() is asked
    };

    QString className; // the store's class, for console lines ("DBNewsgroups")
    QString storeName; // as the texts name it ("Newsgroups")
    // What the store holds in the user's words, the start of a sentence
    // ("The newsgroup list"); empty: "The store <file name>".
    QString description;
    QString databaseFilename;
    long dbversion = 100;
    QList<DBTableDefinition> tables;
    VersionRule versionRule = VersionRule::None;

    QString notFoundText;     // "<store> Database not found. Creating a new one."
    QString openFailedText;   // "Failed to open/create <store> database."
    QString infoFailedText;   // "(2) Failed to create <store> info database."
    QString incompatibleText; // "<store> database is not compatible with app version."
    // Console line of the Recreate rule: method, file name, found and
    // required version.
    QString oldVersionFormat; // "%s Old database version detected: ..."
};

// Rows for one table of a write. `bindRow` binds row `row` (0-based) in
// column order and answers false when the record cannot be written, which
// fails the whole write.
struct DBTableWrite
{
    QString table;     // emptied first when the write replaces the content
    QString statement; // "INSERT INTO t (a,b) VALUES (?,?)" (or an UPDATE)
    qsizetype rowCount = 0;
    std::function<bool(DBStatement& statement, qsizetype row)> bindRow;

    // A write of ready-made rows, each bound with DBStatement::bindValues.
    static DBTableWrite fromRows(const QString& table, const QString& statement,
                                 const QList<QVariantList>& rows);
};

// The shape every store shares: one SQLite file in the folder "db" of the
// application-support folder, a dbinfo table with the version the file was
// made with, and a connection opened for each operation and closed at its
// end (closed is the resting state).
//
// Reads answer rows of strings, an SQL NULL giving "". Writes run in one
// transaction each: a write that replaces a table's content deletes and
// inserts inside the same transaction, and any failure rolls the whole of it
// back, so the file always holds either the old or the new content, also
// after a crash or a full disk in the middle. Writes answer whether they
// were stored.
//
// A store derives from this class, passes its definition, calls startDB()
// in its constructor (and checkVersion() where it checks its version) and
// adds its own loaders and writers on top of dbQuery(), loadObjects() and
// writeTables(). No lock: a store is used by one thread at a time.
class DBStore
{
public:
    using VersionRule = DBStoreDefinition::VersionRule;
    enum class WriteMode {
        Append,  // the rows are added to what the tables hold
        Replace, // the tables are emptied (numbering reset) and the rows written
        // The tables are dropped and made anew from the store's definition,
        // the version row set to dbversion(), and the rows written: how a
        // conversion brings a file of an older layout to the current one
        // without ever leaving it without its rows.
        Rebuild,
    };

    virtual ~DBStore();
    DBStore(const DBStore&) = delete;
    DBStore& operator=(const DBStore&) = delete;

    sqlite3* db() const { return db_; }
    long dbversion() const { return def_.dbversion; }
    QString databasePath() const { return databasePath_; }
    QString databaseFilename() const { return def_.databaseFilename; }
    const DBStoreDefinition& definition() const { return def_; }

    // Makes sure the folder and the file (with its tables and version row)
    // exist; leaves the connection closed.
    void startDB();
    // YES at once when a connection is open; otherwise opens `path`. The
    // first open of a file in a run checks that it can be read: a damaged
    // file is moved aside (see DBFileCheck), a new one made in its place,
    // and the user told once.
    bool openDatabase(const QString& path);
    void closeDatabase();

    // Every row of one statement without parameters; empty when the file
    // cannot be opened or the statement fails.
    QList<QStringList> dbQuery(const QString& sql);
    // The rows one by one, until `onRow` answers false. Answers whether the
    // statement ran (to its end or to where `onRow` stopped it).
    bool dbQuery(const QString& sql, const std::function<bool(const QStringList& row)>& onRow);

    // The records of `sql` converted by `dbToObj`, up to the first row that
    // gives none: the records before it are kept, the rest is not read.
    template <typename T>
    QList<T> loadObjects(const QString& sql,
                         const std::function<std::optional<T>(const QStringList&)>& dbToObj)
    {
        QList<T> out;
        dbQuery(sql, [&](const QStringList& row) {
            std::optional<T> obj = dbToObj(row);
            if (!obj) return false;
            out.append(std::move(*obj));
            return true;
        });
        return out;
    }
    // For dbToObj: whether `row` has `columns` columns; a row of another
    // count logs the store's incompatibility text at level 3.
    bool rowHasColumns(const QStringList& row, int columns) const;

    // One transaction over all `writes`; see WriteMode. A replace or a
    // rebuild ends with optimizeDatabase(). Every failure (open, statement, a refused row, the
    // commit) is logged, rolls everything back and answers false.
    bool writeTables(const QList<DBTableWrite>& writes, WriteMode mode);
    bool writeTable(const DBTableWrite& write, WriteMode mode) { return writeTables({write}, mode); }

    // Empties `tables` in one transaction and restarts their numbering at 1,
    // then optimizeDatabase(). Answers whether the tables were emptied.
    bool clearTables(const QStringList& tables);

    // "VACUUM;".
    void optimizeDatabase();

    // Compares the version in dbinfo with dbversion() and applies the
    // store's rule. No row in dbinfo means the file is current.
    void checkVersion();

    // Removes the store's file; answers whether it was removed.
    bool deleteDBFromDisk();

protected:
    explicit DBStore(DBStoreDefinition definition);

    // The folder of the file: "%@/db" of "appSupportPath" unless a store
    // keeps its file elsewhere.
    virtual QString databaseFolder() const;
    // Convert rule: bring the file from `oldVersion` to dbversion().
    virtual bool convertDBFromVersion(long oldVersion);
    // Called after every successful open, for per-connection settings.
    virtual void connectionOpened(sqlite3* db);

    // Runs one statement on the open connection; logs a failure at level 3
    // unless `quietError` is the message.
    bool execute(const QString& sql, const QString& quietError = QString());

private:
    // Opens for one operation; closes at the end only what it opened.
    class Session;

    bool resetSequence(const QString& table);
    bool rebuildTables(const QList<DBTableWrite>& writes);
    bool writeOnce(const QList<DBTableWrite>& writes, WriteMode mode);
    bool queryOnce(const QString& sql, const std::function<bool(const QStringList& row)>& onRow);
    bool rollbackAndFail();
    sqlite3* openHandle(const QString& path);
    // Moves the damaged file at `path` aside and puts a new one in its place;
    // answers whether the new one is there.
    bool replaceDamagedFile(const QString& path, const QString& reason);
    // A failed statement whose code says the file is damaged: the file is
    // checked again at the next open.
    void noteFailure(int code);
    void writeConsole(const QString& text) const;
    QString methodName(const char* method) const;

    DBStoreDefinition def_;
    QStringList tableNames_;
    sqlite3* db_ = nullptr;
    QString databasePath_;
    bool damageSeen_ = false;
};
