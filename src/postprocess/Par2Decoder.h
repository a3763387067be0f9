#pragma once

#include "postprocess/Par2Utils.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

// Reads one PAR2 file (PAR2 2.0 packets) far enough for the repair
// bookkeeping and the name correction: the main packet, the file
// descriptions, the slice checksums, the exponents of the recovery slices and
// the creator. It never computes or applies recovery data.
//
// Made for one file, asked one question, dropped. A file is read packet by
// packet through a bounded window, never held whole: a 200 MB recovery volume
// costs a window and the records, not 200 MB. Recovery data is never copied;
// a recovery record carries where its data lies in the file instead
// ("recoveryDataOffset", "recoveryDataLength").
//
// Results are the dictionaries of the file list:
//   {"main": {"setID", "totalFiles", "sliceSize", "totalPackageSlices",
//             "validRecoverySlices"},
//    "creator": {"parVersion", "creatorName"},
//    "files": [{"fileID", "filename", "safeFilename", "md5", "md516k",
//               "bytes", "totalSlices"}, ...]}
// IDs and digests are 32 lower-case hex digits. "filename" is the name as the
// set gives it; "safeFilename" is that name reduced to one path component
// that is safe to create or rename a file with (empty when nothing safe is
// left). Anyone who puts a name from a PAR2 file on disk uses the latter.
class Par2Decoder
{
public:
    enum DataRequest {
        FileList = 0,
        FullDump = 1,
        ChecksumsOfOneFile = 2,
        CountOfRecoverySlices = 3,
        RecoveryData = 4,
    };

    Par2Decoder();
    ~Par2Decoder();
    Par2Decoder(const Par2Decoder&) = delete;
    Par2Decoder& operator=(const Par2Decoder&) = delete;

    // Opens the file unless data is already set. A missing or unreadable
    // file leaves the decoder without data (console line).
    void initWithUrl(const QString& path);
    void initWithData(const QByteArray& data);
    bool hasData() const;

    int dataRequest() const { return dataRequest_; }
    void setDataRequest(int mode) { dataRequest_ = mode; }

    // Decodes in the current mode; nothing without data or when the main
    // packet and the file descriptions do not agree.
    std::optional<QVariantMap> getFileList();
    // The slice CRC-32s of one file in slice order; nothing when the file
    // holds no checksum packet for it.
    std::optional<QList<quint32>> getCRC32DataForFileID(const QString& fileID);
    // {"main": main record with "validRecoverySlices"}; drops the data.
    std::optional<QVariantMap> countRecoverySlices();
    // The recovery records under their exponent as decimal text; drops the
    // data. The records hold offsets into the file, not the data.
    std::optional<QVariantMap> getRecoveryData();
    // Prints the five dictionaries on the console; an empty map when data
    // was present.
    std::optional<QVariantMap> getDebug();

    // The dictionaries of the last decoding pass.
    const QVariantMap& mainDict() const { return mainDict_; }
    const QVariantMap& ifscDict() const { return ifscDict_; }
    const QVariantMap& filedescDict() const { return filedescDict_; }
    const QVariantMap& recoveryDict() const { return recoveryDict_; }
    const QVariantMap& creatorDict() const { return creatorDict_; }

    // `name` reduced to one path component: the part after the last "/" or
    // "\", without NUL and other control characters, at most 255 bytes of
    // UTF-8 (the extension kept where it can be); empty for "", "." and "..".
    static QString safeFilename(const QString& name);

    static QString NSDataToHexString(const QByteArray& data) { return Par2Utils::NSDataToHexString(data); }
    static std::optional<QByteArray> MD5ValueForData(const QByteArray& data)
    {
        return Par2Utils::MD5ValueForData(data);
    }
    static std::optional<QByteArray> MD5Data2Data(const QByteArray& digest)
    {
        return Par2Utils::MD5Data2Data(digest);
    }

    class Source;
    using Bytes = std::vector<char>;

private:
    void decode();
    // False when the packet is damaged (its MD5 does not check out, or it
    // cannot be read): nothing of it is used.
    bool processPacket(qint64 p, quint64 length);
    void decodeMain(const Bytes& packet);
    void decodeIFSC(const Bytes& packet);
    void decodeFileDesc(const Bytes& packet);
    void decodeRecovery(const Bytes& head, qint64 p, quint64 length);
    void decodeCreator(const Bytes& packet);
    void dropData();

    std::unique_ptr<Source> par2data_;
    int dataRequest_ = FileList;
    QString fileIDRequest_;
    QVariantMap mainDict_;
    QVariantMap ifscDict_;
    QVariantMap filedescDict_;
    QVariantMap recoveryDict_;
    QVariantMap creatorDict_;
};
