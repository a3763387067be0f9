#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// How the history and bookmark stores keep the values of a query: texts as
// they stand (an absent text as NULL, read back as the empty text), numbers
// and flags as integers, every column read back as text.
namespace DeepLookupStoreValues {

inline QVariant text(const std::optional<QString>& value)
{
    if (!value) return QVariant();
    return QVariant(value->isNull() ? QStringLiteral("") : *value);
}

inline qint64 integer(const QString& column)
{
    return column.toLongLong();
}

// A non-zero number is on.
inline bool flag(const QString& column)
{
    return column.toLongLong() != 0;
}

} // namespace DeepLookupStoreValues
