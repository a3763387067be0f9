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
