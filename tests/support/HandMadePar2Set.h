#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// A PAR2 index for files given as bytes, made by hand with
// Par2PacketBuilder: correct digests and slice checksums (the last slice
// zero-padded), under any name, also names the real par2 would never write
// ("../x", "/abs/x", ".."). Member n (from 1) has the file ID
// Par2PacketBuilder::id(n).
class HandMadePar2Set
{
public:
    struct Member
    {
        QByteArray nameInSet;
        QByteArray content;
    };

    static QByteArray index(qint64 sliceSize, const QList<Member>& members);
    // The zero-padded slice CRC-32s of `content`.
    static QList<quint32> sliceChecksums(const QByteArray& content, qint64 sliceSize);
    static QString md5Hex(const QByteArray& data);
    static QString md516kHex(const QByteArray& data);
};
