#include "support/Par2PacketBuilder.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <cstring>

namespace {

QByteArray le64(quint64 v)
{
    QByteArray b(8, '\0');
    qToLittleEndian<quint64>(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

} // namespace

QByteArray Par2PacketBuilder::defaultSetID()
{
    return QByteArray::fromHex("00112233445566778899aabbccddeeff");
}

QByteArray Par2PacketBuilder::id(int n)
{
    QByteArray b(16, char(0xA0));
    qToLittleEndian<quint32>(quint32(n), b.data());
    return b;
}

QByteArray Par2PacketBuilder::typeSignature(const char* name)
{
    QByteArray t("PAR 2.0\0", 8);
    t += QByteArray(name);
    t.resize(16, '\0');
    return t;
}

QByteArray Par2PacketBuilder::packet(const QByteArray& type16, const QByteArray& body,
                                     const QByteArray& setID)
{
    QByteArray p("PAR2\0PKT", 8);
    p += le64(quint64(64 + body.size()));
    p += QByteArray(16, '\0'); // MD5, below
    p += setID.left(16).leftJustified(16, '\0');
    p += type16.left(16).leftJustified(16, '\0');
    p += body;
    const QByteArray md5 = QCryptographicHash::hash(QByteArrayView(p).sliced(32), QCryptographicHash::Md5);
    std::memcpy(p.data() + 16, md5.constData(), 16);
    return p;
}

QByteArray Par2PacketBuilder::mainPacket(quint64 sliceSize, const QList<QByteArray>& fileIDs)
{
    return mainPacket(sliceSize, quint32(fileIDs.size()), fileIDs);
}

QByteArray Par2PacketBuilder::mainPacket(quint64 sliceSize, quint32 declaredCount,
                                         const QList<QByteArray>& fileIDs)
{
    QByteArray body = le64(sliceSize) + le32(declaredCount);
    for (const QByteArray& i : fileIDs)
        body += i;
    return packet(typeSignature("Main"), body);
}

QByteArray Par2PacketBuilder::fileDescPacket(const QByteArray& fileID, const QByteArray& md5,
                                             const QByteArray& md516k, quint64 length, const QByteArray& name)
{
    QByteArray padded = name;
    while (padded.size() % 4)
        padded += '\0';
    return packet(typeSignature("FileDesc"), fileID + md5 + md516k + le64(length) + padded);
}

QByteArray Par2PacketBuilder::ifscPacket(const QByteArray& fileID, const QList<quint32>& crcs)
{
    QByteArray body = fileID;
    for (quint32 c : crcs)
        body += QByteArray(16, char(0x5A)) + le32(c);
    return packet(typeSignature("IFSC"), body);
}

QByteArray Par2PacketBuilder::recoveryPacket(quint32 exponent, const QByteArray& data)
{
    return packet(typeSignature("RecvSlic"), le32(exponent) + data);
}

QByteArray Par2PacketBuilder::creatorPacket(const QByteArray& text)
{
    QByteArray padded = text;
    while (padded.size() % 4)
        padded += '\0';
    return packet(typeSignature("Creator"), padded);
}

QByteArray Par2PacketBuilder::unknownPacket(const QByteArray& type16, const QByteArray& body)
{
    return packet(type16, body);
}

QByteArray Par2PacketBuilder::withLength(QByteArray packet, quint64 length)
{
    qToLittleEndian<quint64>(length, packet.data() + 8);
    return packet;
}

QByteArray Par2PacketBuilder::withBadMd5(QByteArray packet)
{
    packet[packet.size() - 1] = char(packet[packet.size() - 1] ^ 0x01);
    return packet;
}

QList<Par2PacketBuilder::Packet> Par2PacketBuilder::split(const QByteArray& file)
{
    QList<Packet> out;
    qint64 p = file.indexOf(QByteArray("PAR2\0PKT", 8));
    while (p >= 0 && file.size() - p >= 64) {
        const quint64 len = qFromLittleEndian<quint64>(file.constData() + p + 8);
        if (len < 64 || len > quint64(file.size() - p)) break;
        out.append(Packet{p, len, file.mid(p + 48, 16)});
        p += qint64(len);
    }
    return out;
}
