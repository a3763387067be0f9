#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <functional>

// One record of a search-service reply: a line split into fields at TAB,
// field 0 naming the record kind ("FILE", "DATA", "INFO", "ERROR", ...).
// Fields are views into the reply text, which must outlive the record.
//
// Numbers and flags are read the forgiving way the service's fields need:
// leading blanks are skipped, a number is its leading decimal part (0 when
// there is none, the limit of the type when it is too large), and a flag is
// true when it starts with a non-zero digit or with Y, y, T or t.
class DeepLookupRecord
{
public:
    explicit DeepLookupRecord(QStringView line);

    // Calls `handle` with every line of `text` (split at "\n"), in order,
    // until it returns false.
    static void forEachLine(QStringView text, const std::function<bool(QStringView line)>& handle);

    qsizetype size() const { return fields_.size(); }
    QStringView kind() const { return view(0); }
    // Field `i`; empty when the record is shorter.
    QStringView view(qsizetype i) const { return i < fields_.size() ? fields_.at(i) : QStringView(); }
    QString text(qsizetype i) const { return view(i).toString(); }
    qint64 integer(qsizetype i) const { return leadingInteger(view(i)); }
    qint32 int32(qsizetype i) const;
    double number(qsizetype i) const { return leadingNumber(view(i)); }
    bool flag(qsizetype i) const { return leadingFlag(view(i)); }

    static qint64 leadingInteger(QStringView text);
    static double leadingNumber(QStringView text);
    static bool leadingFlag(QStringView text);

private:
    // Records have up to 19 fields: kept without a heap allocation per line,
    // which counts in replies of hundreds of thousands of lines.
    QVarLengthArray<QStringView, 20> fields_;
};
