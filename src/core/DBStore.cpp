#include "core/DBStore.h"

#include "core/DBFileCheck.h"
#include "core/DialogBoxes.h"
#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

#include <QFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

const QString kNoSequenceTable = QStringLiteral("no such table: sqlite_sequence");

bool pathExists(const QString& path)
{
    std::error_code ec;
    return std::filesystem::exists(
        std::filesystem::symlink_status(QFile::encodeName(path).toStdString(), ec));
}

void removeQuietly(const QString& path)
{
    ::unlink(QFile::encodeName(path).constData());
}

// Files SQLite keeps beside a database. A journal left by a crash would be
// played back into a new file of the same name and corrupt it, so they go
// with the file.
const char* const kSideFiles[] = {"-journal", "-wal", "-shm"};

} // namespace

// Opens the connection for one operation unless one is open already, and
// closes at the end only what it opened, so that a store's own operation may
// call the others inside it.
class DBStore::Session
{
public:
    explicit Session(DBStore& store) : store_(store)
    {
        if (store_.db_) {
            ok_ = true;
            return;
        }
        store_.startDB();
        ok_ = opened_ = store_.openDatabase(store_.databasePath_);
    }
    ~Session()
    {
        if (opened_) store_.closeDatabase();
    }
    bool ok() const { return ok_; }

private:
    DBStore& store_;
    bool ok_ = false;
    bool opened_ = false;
};

DBTableWrite DBTableWrite::fromRows(const QString& table, const QString& statement,
                                    const QList<QVariantList>& rows)
{
    DBTableWrite w;
    w.table = table;
    w.statement = statement;
    w.rowCount = rows.size();
    w.bindRow = [rows](DBStatement& st, qsizetype row) {
        st.bindValues(rows[row]);
        return true;
    };
    return w;
}

DBStore::DBStore(DBStoreDefinition definition) : def_(std::move(definition))
{
    const QString& name = def_.storeName;
    if (def_.notFoundText.isEmpty())
        def_.notFoundText = name + QStringLiteral(" Database not found. Creating a new one.");
    if (def_.openFailedText.isEmpty())
        def_.openFailedText = QStringLiteral("Failed to open/create ") + name + QStringLiteral(" database.");
    if (def_.infoFailedText.isEmpty())
        def_.infoFailedText =
            QStringLiteral("(2) Failed to create ") + name + QStringLiteral(" info database.");
    if (def_.incompatibleText.isEmpty())
        def_.incompatibleText = name + QStringLiteral(" database is not compatible with app version.");
    if (def_.oldVersionFormat.isEmpty())
        def_.oldVersionFormat = QStringLiteral(
            "%s Old database version detected: %@ (current:v%ld) (required:v%ld). Removing old database.");
    if (def_.description.isEmpty()) def_.description = QStringLiteral("The store ") + def_.databaseFilename;
    for (DBTableDefinition& t : def_.tables) {
        if (t.failureText.isEmpty())
            t.failureText = QStringLiteral("(1) Failed to create ") + name + QStringLiteral(" database.");
        tableNames_.append(DBFileCheck::tableNameOf(t.createStatement));
    }
}

DBStore::~DBStore()
{
    closeDatabase();
}

QString DBStore::databaseFolder() const
{
    const QString support = UserDefaults::standard().stringForKey(QStringLiteral("appSupportPath"));
    if (support.isEmpty()) return QString();
    return sformat(u"%@/db", support);
}

bool DBStore::convertDBFromVersion(long)
{
    return false;
}

void DBStore::connectionOpened(sqlite3*)
{}

void DBStore::startDB()
{
    const QString folder = databaseFolder();
    if (folder.isEmpty()) {
        BLOG(3, "No folder for the %@ database: appSupportPath is empty.", def_.storeName);
        databasePath_.clear();
        return;
    }
    if (!pathExists(folder)) {
        std::error_code ec;
        std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), ec);
        if (ec) {
            BLOG_OBJECT(3, QString::fromLocal8Bit(ec.message().c_str()));
            const QString title = QStringLiteral("Unable to create folder:");
            if (Dispatch::isMainThread())
                DialogBoxes::alertBoxDefault(title, folder);
            else
                DialogBoxes::alertBoxDefaultAsync(title, folder);
        }
    }
    databasePath_ = folder + QLatin1Char('/') + def_.databaseFilename;
    if (pathExists(databasePath_) || db_) return;

    BLOG(2, "%@", def_.notFoundText);
    // The file is made under a temporary name and put in place whole, so a
    // crash or a full disk never leaves a file without its tables, which
    // would never be completed afterwards.
    const QString temp = databasePath_ + QStringLiteral(".new");
    removeQuietly(temp);
    for (const char* side : kSideFiles)
        removeQuietly(temp + QLatin1String(side));

    sqlite3* handle = nullptr;
    const QByteArray tempName = QFile::encodeName(temp);
    if (sqlite3_open_v2(tempName.constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        BLOG(3, "%@", def_.openFailedText);
        sqlite3_close_v2(handle);
        removeQuietly(temp);
        return;
    }
    db_ = handle;
    bool complete = execute(QStringLiteral("BEGIN TRANSACTION"));
    for (const DBTableDefinition& table : def_.tables) {
        if (!execute(table.createStatement)) {
            BLOG(3, "%@", table.failureText);
            complete = false;
        }
    }
    if (!execute(QStringLiteral("CREATE TABLE IF NOT EXISTS dbinfo (version INTEGER)"))) {
        BLOG(3, "%@", def_.infoFailedText);
        complete = false;
    } else if (!execute(sformat(u"INSERT INTO dbinfo (version) VALUES (%ld);", def_.dbversion))) {
        complete = false;
    }
    complete = complete && execute(QStringLiteral("COMMIT"));
    closeDatabase();

    if (!complete || ::rename(tempName.constData(), QFile::encodeName(databasePath_).constData()) != 0) {
        if (complete) BLOG(3, "%@ :: %@", def_.openFailedText, QString::fromLocal8Bit(std::strerror(errno)));
        removeQuietly(temp);
        for (const char* side : kSideFiles)
            removeQuietly(temp + QLatin1String(side));
        return;
    }
    DBFileCheck::markChecked(databasePath_);
}

bool DBStore::openDatabase(const QString& path)
{
    if (db_) return true;
    if (path.isEmpty() || !pathExists(path)) return false;
    sqlite3* handle = openHandle(path);
    if (!handle) return false;
    if (DBFileCheck::needsCheck(path)) {
        const DBFileCheck::Result check = DBFileCheck::check(handle, path, tableNames_);
        if (check.verdict == DBFileCheck::Verdict::Damaged) {
            sqlite3_close_v2(handle);
            if (!replaceDamagedFile(path, check.reason)) return false;
            handle = openHandle(path);
            if (!handle) return false;
        }
    }
    db_ = handle;
    connectionOpened(db_);
    return true;
}

sqlite3* DBStore::openHandle(const QString& path)
{
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        BLOG(3, "%@ :: %@", def_.openFailedText,
             QString::fromUtf8(handle ? sqlite3_errmsg(handle) : "out of memory"));
        sqlite3_close_v2(handle);
        return nullptr;
    }
    // Another process (a backup tool, a test reading the store) may hold
    // the file for a moment.
    sqlite3_busy_timeout(handle, 1000);
    return handle;
}

bool DBStore::replaceDamagedFile(const QString& path, const QString& reason)
{
    QString error;
    const QString aside = DBFileCheck::setAside(path, &error);
    if (aside.isEmpty()) {
        BLOG(3, "%@ cannot be read (%@) and cannot be moved aside :: %@ :: %@", def_.databaseFilename, reason,
             error, path);
    } else {
        if (path == databasePath_) startDB();
        BLOG(3, "%@ cannot be read (%@). It was moved to %@ and a new one was made.", def_.databaseFilename,
             reason, aside);
    }
    if (DBFileCheck::firstNotice(path)) {
        const QString title = QStringLiteral("Saved data could not be read");
        const QString what = sformat(u"%@ (%@) could not be read", def_.description, def_.databaseFilename);
        const QString info =
            aside.isEmpty()
                ? sformat(u"%@ and could not be moved aside (%@):\n%@\n\nNothing can be stored in it until the "
                          u"file is moved or removed.",
                          what, error, path)
                : sformat(u"%@, so a new, empty one was made. The damaged file was kept as:\n%@", what, aside);
        // Never a modal window inside a store's operation: the question
        // waits for the event loop, on the main thread.
        DialogBoxes::alertBoxDefaultAsync(title, info);
    }
    if (aside.isEmpty() || !pathExists(path)) return false;
    DBFileCheck::markChecked(path);
    return true;
}

void DBStore::noteFailure(int code)
{
    if (!DBFileCheck::isDamage(code)) return;
    damageSeen_ = true;
    DBFileCheck::forget(databasePath_);
}

void DBStore::closeDatabase()
{
    if (!db_) return;
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool DBStore::execute(const QString& sql, const QString& quietError)
{
    if (!db_) return false;
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc == SQLITE_OK) return true;
    const QString message = QString::fromUtf8(error ? error : sqlite3_errstr(rc));
    sqlite3_free(error);
    noteFailure(rc);
    if (message != quietError) BLOG(3, "%@ :: %@", message, sql);
    return false;
}

QList<QStringList> DBStore::dbQuery(const QString& sql)
{
    QList<QStringList> rows;
    dbQuery(sql, [&rows](const QStringList& row) {
        rows.append(row);
        return true;
    });
    return rows;
}

bool DBStore::dbQuery(const QString& sql, const std::function<bool(const QStringList& row)>& onRow)
{
    const bool ownSession = !db_;
    damageSeen_ = false;
    const bool ran = queryOnce(sql, onRow);
    if (!ran && ownSession && damageSeen_) {
        // The file was damaged since it was checked: opening it again sets
        // it aside now, so the user hears of it and the next write is kept.
        damageSeen_ = false;
        Session reopen(*this);
    }
    return ran;
}

bool DBStore::queryOnce(const QString& sql, const std::function<bool(const QStringList& row)>& onRow)
{
    Session session(*this);
    if (!session.ok()) return false;
    DBStatement st(db_, sql);
    if (!st.isValid()) {
        // Clearing a table that never had AUTOINCREMENT finds no numbering
        // table; there is nothing to reset then.
        if (st.errorMessage() != kNoSequenceTable) BLOG(3, "%@ :: %@", st.errorMessage(), sql);
        noteFailure(st.errorCode());
        return false;
    }
    for (;;) {
        const int rc = st.step();
        if (rc == SQLITE_DONE) return true;
        if (rc != SQLITE_ROW) {
            BLOG(3, "%@ :: %@", st.errorMessage(), sql);
            noteFailure(rc);
            return false;
        }
        if (!onRow(st.rowTexts())) return true;
    }
}

bool DBStore::rowHasColumns(const QStringList& row, int columns) const
{
    if (row.size() == columns) return true;
    BLOG(3, "%@", def_.incompatibleText);
    return false;
}

bool DBStore::resetSequence(const QString& table)
{
    DBStatement st(db_, QStringLiteral("DELETE FROM sqlite_sequence WHERE name=?"));
    if (!st.isValid()) {
        if (st.errorMessage() == kNoSequenceTable) return true;
        BLOG(3, "%@ :: sqlite_sequence", st.errorMessage());
        return false;
    }
    st.bindText(1, table);
    if (st.step() != SQLITE_DONE) {
        BLOG(3, "%@ :: sqlite_sequence", st.errorMessage());
        return false;
    }
    return true;
}

bool DBStore::rollbackAndFail()
{
    if (db_ && !sqlite3_get_autocommit(db_)) execute(QStringLiteral("ROLLBACK"));
    return false;
}

bool DBStore::writeTables(const QList<DBTableWrite>& writes, WriteMode mode)
{
    const bool ownSession = !db_;
    damageSeen_ = false;
    if (writeOnce(writes, mode)) return true;
    // The file was damaged since it was checked: the next open moves it
    // aside and makes a new one, and what was to be stored is stored there
    // rather than lost.
    if (!ownSession || !damageSeen_) return false;
    damageSeen_ = false;
    return writeOnce(writes, mode);
}

bool DBStore::writeOnce(const QList<DBTableWrite>& writes, WriteMode mode)
{
    {
        Session session(*this);
        if (!session.ok()) {
            BLOG(3, "%@", def_.openFailedText);
            return false;
        }
        if (!execute(QStringLiteral("BEGIN TRANSACTION"))) return false;
        if (mode == WriteMode::Replace) {
            for (const DBTableWrite& w : writes) {
                if (!execute(sformat(u"DELETE FROM %@;", w.table)) || !resetSequence(w.table))
                    return rollbackAndFail();
            }
        } else if (mode == WriteMode::Rebuild && !rebuildTables(writes)) {
            return rollbackAndFail();
        }
        for (const DBTableWrite& w : writes) {
            DBStatement st(db_, w.statement);
            if (!st.isValid()) {
                BLOG(3, "%@ :: %@", st.errorMessage(), w.statement);
                noteFailure(st.errorCode());
                return rollbackAndFail();
            }
            for (qsizetype row = 0; row < w.rowCount; ++row) {
                const bool bound = !w.bindRow || w.bindRow(st, row);
                if (!bound || st.step() != SQLITE_DONE) {
                    BLOG(3, "Commit Failed!");
                    BLOG(3, "%@ (row %ld of %ld in %@)",
                         bound ? st.errorMessage() : QStringLiteral("unusable record"), long(row + 1),
                         long(w.rowCount), w.table);
                    if (bound) noteFailure(st.errorCode());
                    return rollbackAndFail();
                }
                st.clearAndReset();
            }
        }
        if (!execute(QStringLiteral("COMMIT"))) return rollbackAndFail();
        execute(QStringLiteral("PRAGMA shrink_memory"));
    }
    if (mode != WriteMode::Append) optimizeDatabase();
    return true;
}

bool DBStore::rebuildTables(const QList<DBTableWrite>& writes)
{
    for (const DBTableWrite& w : writes) {
        if (!execute(sformat(u"DROP TABLE IF EXISTS %@;", w.table)) || !resetSequence(w.table)) return false;
    }
    for (const DBTableDefinition& table : def_.tables) {
        if (!execute(table.createStatement)) return false;
    }
    return execute(QStringLiteral("CREATE TABLE IF NOT EXISTS dbinfo (version INTEGER)")) &&
           execute(QStringLiteral("DELETE FROM dbinfo")) &&
           execute(sformat(u"INSERT INTO dbinfo (version) VALUES (%ld);", def_.dbversion));
}

bool DBStore::clearTables(const QStringList& tables)
{
    {
        Session session(*this);
        if (!session.ok()) return false;
        if (!execute(QStringLiteral("BEGIN TRANSACTION"))) return false;
        for (const QString& table : tables) {
            if (!execute(sformat(u"DELETE FROM %@;", table)) || !resetSequence(table))
                return rollbackAndFail();
        }
        if (!execute(QStringLiteral("COMMIT"))) return rollbackAndFail();
    }
    optimizeDatabase();
    return true;
}

void DBStore::optimizeDatabase()
{
    Session session(*this);
    if (session.ok()) execute(QStringLiteral("VACUUM;"));
}

QString DBStore::methodName(const char* method) const
{
    return sformat(u"[%@ %s]", def_.className, method);
}

void DBStore::writeConsole(const QString& text) const
{
    Logger::shared()->writeToConsole(text + QLatin1Char('\n'));
}

void DBStore::checkVersion()
{
    if (def_.versionRule == VersionRule::None) return;
    const QList<QStringList> rows = dbQuery(QStringLiteral("SELECT version FROM dbinfo"));
    if (rows.isEmpty()) return;
    const QString text = rows.first().value(0);
    bool readable = false;
    long found = text.toLong(&readable);
    if (readable && found == def_.dbversion) return;
    if (!readable) {
        // Only a version that was read and differs may cost the user the
        // file: an unreadable one says nothing about the rows.
        writeConsole(sformat(u"%@ Unreadable database version: \"%@\"; the file is kept.",
                             methodName("checkVersion"), text));
        return;
    }

    const long required = def_.dbversion;
    const QString& file = def_.databaseFilename;
    if (def_.versionRule == VersionRule::Recreate) {
        writeConsole(sformat(def_.oldVersionFormat, methodName("checkVersion"), file, found, required));
        deleteDBFromDisk();
        startDB();
        return;
    }

    writeConsole(sformat(u"%s Converting database: %@ from v%ld to v%ld", methodName("checkVersion"), file,
                         found, required));
    BLOG(1, "Converting database: %@ from v%ld to v%ld", file, found, required);
    if (convertDBFromVersion(found)) {
        BLOG(1, "%@ successfully coverted from v%ld to v%ld", file, found, required);
        writeConsole(methodName("checkVersion") + QLatin1Char(' ') +
                     sformat(u"%@ successfully coverted from v%ld to v%ld", file, found, required));
    } else {
        BLOG(1, "Error while converting: %@ from v%ld to v%ld", file, found, required);
        writeConsole(methodName("checkVersion") + QLatin1Char(' ') +
                     sformat(u"Error while converting: %@ from v%ld to v%ld", file, found, required));
    }
}

bool DBStore::deleteDBFromDisk()
{
    closeDatabase();
    const QString folder = databaseFolder();
    const QString path = databasePath_.isEmpty() && !folder.isEmpty()
                             ? folder + QLatin1Char('/') + def_.databaseFilename
                             : databasePath_;
    if (path.isEmpty()) {
        BLOG(3, "No %@ database to remove: appSupportPath is empty.", def_.storeName);
        return false;
    }
    const bool removed = ::unlink(QFile::encodeName(path).constData()) == 0;
    if (removed)
        BLOG(1, "Removed database :: %@", path);
    else
        BLOG(3, "%@ :: %@", QString::fromLocal8Bit(std::strerror(errno)), path);
    for (const char* side : kSideFiles)
        removeQuietly(path + QLatin1String(side));
    return removed;
}
