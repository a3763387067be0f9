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
    // The records of a reply, in order, until a handler returns false. A
    // FILE record goes to `file` when it has at least `fileFields` fields;
    // a shorter one is reported on the console and passed over. Every other
    // record goes to `other`.
    using RecordHandler = std::function<bool(const DeepLookupRecord& record)>;
    static void forEachRecord(QStringView text, qsizetype fileFields, const RecordHandler& file,
                              const RecordHandler& other);

    // The first fields of a FILE record, the same in a search reply and in a
    // file list (a search reply has more after them).
    enum FileField : qsizetype {
        kFileTitle = 1,
        kFileFid = 2,
        kFileExpected = 3,
        kFileAvailable = 4,
        kFilePar2 = 5, // a file list: the flag; a search reply: the count
        kFileBytes = 6,
        kFileDate = 7,
        kFileEro = 8,
    };
    // The status column of a result or a file: "Downloaded", "Incomplete"
    // or "OK", in that order of precedence.
    static QString statusText(bool previouslyDownloaded, bool incomplete);

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
