#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

// Raw access to a store's file from a test: a query's first column, and a
// statement run as is.
// Read-write, like the program's own next open: a read-only connection
// cannot roll back the journal a killed writer left, and reads nothing.
inline QStringList sqliteColumn(const QString& dbPath, const QString& sql)
{
    QStringList out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return out;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray q = sql.toUtf8();
    if (sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            out.append(text ? QString::fromUtf8(text) : QString());
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

inline bool sqliteExec(const QString& dbPath, const QString& sql)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(dbPath).constData(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
