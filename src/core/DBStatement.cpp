#include "core/DBStatement.h"

#include <sqlite3.h>

DBStatement::DBStatement(sqlite3* db, const QString& sql) : db_(db)
{
    if (!db_) {
        error_ = QStringLiteral("no database connection");
        return;
    }
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        error_ = QString::fromUtf8(sqlite3_errmsg(db_));
        errorCode_ = sqlite3_extended_errcode(db_);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    } else if (!stmt_) {
        error_ = QStringLiteral("empty statement");
    }
}

DBStatement::~DBStatement()
{
    sqlite3_finalize(stmt_);
}

void DBStatement::noteBind(int rc)
{
    if (rc != SQLITE_OK && !bindFailed_) {
        bindFailed_ = true;
        error_ = QString::fromUtf8(sqlite3_errstr(rc));
        errorCode_ = rc;
    }
}

void DBStatement::bindText(int index, const QString& text)
{
    if (!stmt_) return;
    const QByteArray utf8 = text.toUtf8();
    noteBind(sqlite3_bind_text64(stmt_, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8));
}

void DBStatement::bindInteger(int index, qint64 value)
{
    if (stmt_) noteBind(sqlite3_bind_int64(stmt_, index, sqlite3_int64(value)));
}

void DBStatement::bindDouble(int index, double value)
{
    if (stmt_) noteBind(sqlite3_bind_double(stmt_, index, value));
}

void DBStatement::bindNull(int index)
{
    if (stmt_) noteBind(sqlite3_bind_null(stmt_, index));
}

void DBStatement::bindValue(int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        bindNull(index);
        return;
    }
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        bindInteger(index, value.toLongLong());
        break;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        // Stored as SQLite's signed 64-bit integer, bit for bit.
        bindInteger(index, qint64(value.toULongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        bindDouble(index, value.toDouble());
        break;
    default:
        bindText(index, value.toString());
        break;
    }
}

void DBStatement::bindValues(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bindValue(i + 1, values[i]);
}

int DBStatement::step()
{
    if (!stmt_) return SQLITE_MISUSE;
    if (bindFailed_) return SQLITE_RANGE;
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        error_ = QString::fromUtf8(sqlite3_errmsg(db_));
        errorCode_ = rc;
    }
    return rc;
}

void DBStatement::clearAndReset()
{
    if (!stmt_) return;
    sqlite3_clear_bindings(stmt_);
    sqlite3_reset(stmt_);
    bindFailed_ = false;
}

int DBStatement::columnCount() const
{
    return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

QString DBStatement::columnText(int column) const
{
    if (!stmt_) return QString();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!text) return QStringLiteral("");
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column));
}

QStringList DBStatement::rowTexts() const
{
    QStringList row;
    const int n = columnCount();
    row.reserve(n);
    for (int i = 0; i < n; ++i)
        row.append(columnText(i));
    return row;
}
