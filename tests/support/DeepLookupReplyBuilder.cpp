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
