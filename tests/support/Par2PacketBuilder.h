#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

// Builds PAR2 2.0 packets by hand, for the cases the real par2 never makes:
// hostile lengths, damaged checksums, odd names. Every packet gets a correct
// MD5 unless the test breaks it afterwards.
class Par2PacketBuilder
{
public:
    struct Packet
    {
        qint64 offset = 0;
        quint64 length = 0;
        QByteArray type; // the 16-byte signature
    };

    static QByteArray defaultSetID();
    // A 16-byte ID made from a small number, for readable tests.
    static QByteArray id(int n);

    static QByteArray packet(const QByteArray& type16, const QByteArray& body,
                             const QByteArray& setID = defaultSetID());
    static QByteArray mainPacket(quint64 sliceSize, const QList<QByteArray>& fileIDs);
    // A main packet whose file count says `declaredCount` whatever IDs follow.
    static QByteArray mainPacket(quint64 sliceSize, quint32 declaredCount, const QList<QByteArray>& fileIDs);
    // `name` is padded with NULs to a multiple of 4, as the standard does.
    static QByteArray fileDescPacket(const QByteArray& fileID, const QByteArray& md5,
                                     const QByteArray& md516k, quint64 length, const QByteArray& name);
    static QByteArray ifscPacket(const QByteArray& fileID, const QList<quint32>& crcs);
    static QByteArray recoveryPacket(quint32 exponent, const QByteArray& data);
    static QByteArray creatorPacket(const QByteArray& text);
    static QByteArray unknownPacket(const QByteArray& type16, const QByteArray& body);

    // The packet with its length field replaced (its MD5, which does not
    // cover the length, stays valid).
    static QByteArray withLength(QByteArray packet, quint64 length);
    // The packet with one byte of its checksummed part flipped.
    static QByteArray withBadMd5(QByteArray packet);

    // An independent walk over a file of packets: offset, length and type of
    // each, up to the first that does not fit.
    static QList<Packet> split(const QByteArray& file);
    static QByteArray typeSignature(const char* name); // "Main", "IFSC", "FileDesc", ...
};
