#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalised when it goes out of scope.
// Parameters are numbered from 1 as in SQLite; a failed bind is remembered
// and makes the next step() fail, so a row is never written half-bound.
class DBStatement
{
public:
    DBStatement(sqlite3* db, const QString& sql);
    ~DBStatement();
    DBStatement(const DBStatement&) = delete;
    DBStatement& operator=(const DBStatement&) = delete;

    bool isValid() const { return stmt_ != nullptr; }
    // SQLite's message and (extended) result code for the last failure of
    // this statement; the code is SQLITE_OK while nothing failed.
    QString errorMessage() const { return error_; }
    int errorCode() const { return errorCode_; }

    void bindText(int index, const QString& text); // a null QString is bound as ""
    void bindInteger(int index, qint64 value);
    void bindDouble(int index, double value);
    void bindNull(int index);
    // By the value's type: absent or null → NULL, bool and integers → 64-bit
    // integer, floating point → double, anything else → its text.
    void bindValue(int index, const QVariant& value);
    // `values` to the parameters 1, 2, ... in order.
    void bindValues(const QVariantList& values);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Ready for the next row: bindings cleared, statement reset.
    void clearAndReset();

    int columnCount() const;
    // The column's text; SQL NULL gives "".
    QString columnText(int column) const;
    QStringList rowTexts() const;

private:
    void noteBind(int rc);

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    QString error_;
    int errorCode_ = 0;
    bool bindFailed_ = false;
};
