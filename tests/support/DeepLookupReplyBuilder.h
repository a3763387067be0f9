#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

// Records of search-service replies for tests, with plausible defaults that
// a test overrides field by field. Join rows with HttpReply::tabLines().
struct DeepLookupSearchRecord
{
    QByteArray title = "Some.Show.S01E01 [01/12] - \"some.show.s01e01.rar\" yEnc";
    QByteArray fid = "FID-1";
    QByteArray expected = "10";
    QByteArray available = "10";
    QByteArray par2Files = "0";
    QByteArray bytes = "123456789";
    QByteArray date = "1700000000";
    QByteArray ero = "0";
    QByteArray groups = "alt.binaries.test";
    QByteArray poster = "poster@example.invalid";
    QByteArray qid = "QID-1";
    QByteArray totalfiles = "12";
    QByteArray archives = "0";
    QByteArray password = "0";
    QByteArray junk = "0";
    QByteArray nfo = "0";
    QByteArray nzb = "0";
    QByteArray images = "0";

    // "FILE" and the 18 fields in their order.
    QByteArrayList fields() const;
};

struct DeepLookupFileRecord
{
    QByteArray title = "Some.Show [01/12] - \"some.show.part01.rar\" yEnc";
    QByteArray fid = "FID-1";
    QByteArray expected = "50";
    QByteArray available = "50";
    QByteArray par2 = "0";
    QByteArray bytes = "25000000";
    QByteArray date = "1700000000";
    QByteArray ero = "0";

    // "FILE" and the 8 fields in their order.
    QByteArrayList fields() const;
};

class DeepLookupReplyBuilder
{
public:
    // "DATA", fid, message-id (without brackets), bytes, number, count.
    static QByteArrayList data(const QByteArray& fid, const QByteArray& mid, qint64 bytes, qint64 number,
                               qint64 count);

    // Records of an NZB export reply: a result ("FILE", "QID", title, bytes,
    // date, groups, poster, number of files), one of its files ("FILE",
    // "FID", subject, bytes, date) and one article of that file ("FILE",
    // "SEG", message-id without brackets, bytes, number).
    static QByteArrayList exportResult(const QByteArray& title, const QByteArray& bytes, qint64 date,
                                       const QByteArray& groups, const QByteArray& poster, qint64 files);
    static QByteArrayList exportFile(const QByteArray& subject, const QByteArray& bytes, qint64 date);
    static QByteArrayList exportSegment(const QByteArray& mid, const QByteArray& bytes, qint64 number);

    // Records of a Watchdog search reply: a match ("FILE", "QID", title,
    // fid, expected, present, PAR2 files, bytes, date, content flag,
    // groups, poster, qid, files, unused, password, junk; complete, no PAR2),
    // one of its files ("FILE", "FID", subject, fid, expected, present,
    // bytes, date) and one article of that file ("FILE", "SEG", message-id
    // without brackets, bytes, number).
    static QByteArrayList watchdogMatch(const QByteArray& qid, const QByteArray& title, qint64 bytes, qint64 date);
    static QByteArrayList watchdogFile(const QByteArray& fid, const QByteArray& subject, qint64 bytes, qint64 date);
    static QByteArrayList watchdogSegment(const QByteArray& mid, qint64 bytes, qint64 number);
};
