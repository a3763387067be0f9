#include "support/DamagedStoreFiles.h"

#include "support/TestFiles.h"

#include <QFile>

#include <sqlite3.h>

namespace {

// The file that `sql` leaves in a new database, read back and removed.
QByteArray databaseMadeBy(const QString& scratchFolder, const char* sql)
{
    const QString path = scratchFolder + QStringLiteral("/made.db");
    QFile::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return {};
    }
    const bool made = sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    const QByteArray bytes = made ? fileBytes(path) : QByteArray();
    QFile::remove(path);
    return bytes;
}

} // namespace

DamagedStoreContent DamagedStoreContent::randomBytes()
{
    return {"RandomBytes", [](const QString&) { return seededPattern(20000, 7); }};
}

DamagedStoreContent DamagedStoreContent::cutShort()
{
    return {"CutShort", [](const QString& scratch) {
                // Many pages, of which the second half is gone.
                const QByteArray whole = databaseMadeBy(
                    scratch, "CREATE TABLE queue (ID INTEGER PRIMARY KEY, type INTEGER, title TEXT);"
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3000) "
                             "INSERT INTO queue (type,title) SELECT 3, hex(randomblob(40)) FROM n;");
                return whole.left(whole.size() / 2);
            }};
}

DamagedStoreContent DamagedStoreContent::empty()
{
    return {"Empty", [](const QString&) { return QByteArray(); }};
}

DamagedStoreContent DamagedStoreContent::anotherProgramsDatabase()
{
    return {"AnotherProgramsDatabase", [](const QString& scratch) {
                return databaseMadeBy(scratch, "CREATE TABLE photos (ID INTEGER PRIMARY KEY, path TEXT);"
                                               "INSERT INTO photos (path) VALUES ('a.jpg');");
            }};
}
