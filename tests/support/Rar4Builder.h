#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Builds RAR 4.x archives by hand, since no RAR writer exists on a build
// machine: stored (uncompressed) entries, optional password protection of the
// file data (the AES-128 scheme of RAR 3.x archives) and of the headers, as one
// archive or as a set of volumes. The results are valid archives that unar and
// lsar list, test and extract.
//
// The salts are derived from the builder's contents, so the same input gives
// the same bytes.
class Rar4Builder
{
public:
    enum class Naming {
        PartN,   // name.part1.rar, name.part2.rar ... (the "new numbering" flag set)
        OldStyle // name.rar, name.r00, name.r01 ...
    };

    Rar4Builder& addFile(const QString& name, const QByteArray& data);
    // Encrypts every file's data and sets the file-header password flag
    // (0x04). At most 27 characters: longer ones need a quirk of the RAR 3.x
    // key derivation that this builder does not reproduce.
    Rar4Builder& setPassword(const QString& password);
    // Also encrypts every header after the main header, which carries the
    // encrypted-headers flag (0x80). Needs a password.
    Rar4Builder& setEncryptedHeaders(bool on);

    QByteArray build() const;
    // The archive as volumes, each holding at most `dataPerVolume` bytes of
    // stored (possibly encrypted) file data; files are split across volumes as
    // needed.
    QList<QByteArray> buildVolumes(qint64 dataPerVolume, Naming naming = Naming::PartN) const;
    static QStringList volumeNames(const QString& baseName, int count, Naming naming, int minDigits = 1);

    // Writes build() to `path`; returns whether it was written.
    bool writeArchive(const QString& path) const;
    // Writes buildVolumes() into `folder` under volumeNames(); returns the
    // paths in volume order, or nothing when a file could not be written.
    QStringList writeVolumes(const QString& folder, const QString& baseName, qint64 dataPerVolume,
                             Naming naming = Naming::PartN, int minDigits = 1) const;

    // Single blocks, for hand-made and damaged archives.
    static QByteArray marker(); // 52 61 72 21 1A 07 00
    // A block of `type` and `flags` whose fields (after the 7-byte base header)
    // are `fields`: HEAD_SIZE and HEAD_CRC are filled in.
    static QByteArray block(quint8 type, quint16 flags, const QByteArray& fields);
    static QByteArray mainHeader(quint16 flags);
    struct FileHeader
    {
        QByteArray nameField;   // the NAME field as it stands
        quint16 flags = 0x8000; // 0x8000 (ADD_SIZE present) is always set as well
        quint64 packSize = 0;   // written as PACK_SIZE (+ HIGH_PACK_SIZE with flag 0x100)
        quint64 unpSize = 0;
        quint32 fileCrc = 0;
        QByteArray salt;      // 8 bytes, written when flag 0x400 is set
        quint8 method = 0x30; // stored
        quint8 unpVer = 29;
    };
    static QByteArray fileHeader(const FileHeader& header);
    static QByteArray endOfArchive(quint16 flags = 0);

    // The AES-128 key (16 bytes) followed by the CBC IV (16 bytes) that RAR 3.x
    // derives from a password and an 8-byte salt.
    static QByteArray rar3KeyAndIv(const QString& password, const QByteArray& salt);

private:
    struct Entry
    {
        QString name;
        QByteArray data;
    };
    QList<QByteArray> assemble(qint64 dataPerVolume, bool volumes, Naming naming) const;

    QList<Entry> entries_;
    QString password_;
    bool encryptedHeaders_ = false;
};
