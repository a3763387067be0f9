#include "support/HandMadePar2Set.h"

#include "support/Par2PacketBuilder.h"

#include <QCryptographicHash>

#include <zlib.h>

QList<quint32> HandMadePar2Set::sliceChecksums(const QByteArray& content, qint64 sliceSize)
{
    QList<quint32> crcs;
    for (qint64 at = 0; at < content.size(); at += sliceSize) {
        QByteArray slice = content.mid(at, sliceSize);
        slice.append(QByteArray(sliceSize - slice.size(), '\0'));
        crcs.append(quint32(crc32(0, reinterpret_cast<const Bytef*>(slice.constData()), uInt(slice.size()))));
    }
    return crcs;
}

QString HandMadePar2Set::md5Hex(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

QString HandMadePar2Set::md516kHex(const QByteArray& data)
{
    return md5Hex(data.left(16384));
}

QByteArray HandMadePar2Set::index(qint64 sliceSize, const QList<Member>& members)
{
    using B = Par2PacketBuilder;
    QList<QByteArray> ids;
    for (int i = 0; i < members.size(); ++i)
        ids.append(B::id(i + 1));
    QByteArray out = B::mainPacket(quint64(sliceSize), ids);
    for (int i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        out += B::fileDescPacket(ids[i], QCryptographicHash::hash(m.content, QCryptographicHash::Md5),
                                 QCryptographicHash::hash(m.content.left(16384), QCryptographicHash::Md5),
                                 quint64(m.content.size()), m.nameInSet);
        out += B::ifscPacket(ids[i], sliceChecksums(m.content, sliceSize));
    }
    return out + B::creatorPacket("Made by hand");
}
