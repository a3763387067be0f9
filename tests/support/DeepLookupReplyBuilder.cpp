#include "support/DeepLookupReplyBuilder.h"

QByteArrayList DeepLookupSearchRecord::fields() const
{
    return {"FILE", title, fid,        expected, available, par2Files, bytes, date, ero,   groups,
            poster, qid,   totalfiles, archives, password,  junk,      nfo,   nzb,  images};
}

QByteArrayList DeepLookupFileRecord::fields() const
{
    return {"FILE", title, fid, expected, available, par2, bytes, date, ero};
}

QByteArrayList DeepLookupReplyBuilder::data(const QByteArray& fid, const QByteArray& mid, qint64 bytes,
                                            qint64 number, qint64 count)
{
    return {
        "DATA", fid, mid, QByteArray::number(bytes), QByteArray::number(number), QByteArray::number(count)};
}

QByteArrayList DeepLookupReplyBuilder::exportResult(const QByteArray& title, const QByteArray& bytes,
                                                    qint64 date, const QByteArray& groups,
                                                    const QByteArray& poster, qint64 files)
{
    return {"FILE", "QID", title, bytes, QByteArray::number(date), groups, poster, QByteArray::number(files)};
}

QByteArrayList DeepLookupReplyBuilder::exportFile(const QByteArray& subject, const QByteArray& bytes,
                                                  qint64 date)
{
    return {"FILE", "FID", subject, bytes, QByteArray::number(date)};
}

QByteArrayList DeepLookupReplyBuilder::exportSegment(const QByteArray& mid, const QByteArray& bytes,
                                                     qint64 number)
{
    return {"FILE", "SEG", mid, bytes, QByteArray::number(number)};
}

QByteArrayList DeepLookupReplyBuilder::watchdogMatch(const QByteArray& qid, const QByteArray& title, qint64 bytes,
                                                     qint64 date)
{
    return {"FILE", "QID", title, "FID-" + qid, "1", "1", "0", QByteArray::number(bytes), QByteArray::number(date),
            "0",    "alt.binaries.test", "poster@example.invalid", qid, "1", "0", "0", "0"};
}

QByteArrayList DeepLookupReplyBuilder::watchdogFile(const QByteArray& fid, const QByteArray& subject, qint64 bytes,
                                                    qint64 date)
{
    return {"FILE", "FID", subject, fid, "1", "1", QByteArray::number(bytes), QByteArray::number(date)};
}

QByteArrayList DeepLookupReplyBuilder::watchdogSegment(const QByteArray& mid, qint64 bytes, qint64 number)
{
    return {"FILE", "SEG", mid, QByteArray::number(bytes), QByteArray::number(number)};
}
