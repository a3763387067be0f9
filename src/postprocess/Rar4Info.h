#pragma once

#include <QByteArray>
#include <QList>
#include <QVariantMap>

#include <optional>

// Reads the block headers of a RAR 4.x archive held in memory and answers
// whether it is protected by a password: its headers are encrypted (main-header
// flag 0x80) or a file in it carries the password flag (0x04).
//
// Every read is checked against the end of the data, and the walk over the
// blocks only ever moves forward, so damaged or hostile data ends the walk
// instead of reading past the buffer or looping. The data is never changed.
// One reader answers one question and is dropped.
class Rar4Info
{
public:
    void setFiledata(const QByteArray& data) { filedata_ = data; }
    const QByteArray& filedata() const { return filedata_; }

    // Parses the data and answers the question. Never fails: damaged data
    // gives NO unless a block read before the damage said YES.
    bool isPasswordProtected();

    // Fills blocks(): the marker record, then one record per block header, in
    // file order, up to the first block that shows a password, the end of the
    // archive, the end of the data or the first damaged header.
    void analyze();

    // Position of the first occurrence of `pattern` lying within the first
    // filelength() - pattern.size() bytes; nothing when not found.
    std::optional<quint64> search(const QByteArray& pattern) const;
    // The next `n` bytes, advancing offset(); nothing (and offset() unchanged)
    // unless offset() + n is at most filelength() - 1.
    std::optional<QByteArray> read(quint64 n);
    void seek(quint64 offset) { offset_ = offset; }

    quint64 offset() const { return offset_; }
    quint64 filelength() const { return filelength_; }
    // Records with the keys "version" (marker only), "offset", "head_crc",
    // "head_type", "head_flags", "head_size" (raw bytes), "add_size",
    // "filename_size" (raw), "filename", "has_password", "is_volume",
    // "has_auth", "has_recovery", "is_encrypted".
    const QList<QVariantMap>& blocks() const { return blocks_; }

private:
    enum class Step { Next, Stop };
    Step readBlock(bool verify, quint64* next);
    bool headerChecksumHolds(quint64 start, quint64 headSize, quint16 headCrc) const;

    QByteArray filedata_;
    quint64 offset_ = 0;
    quint64 filelength_ = 0;
    QList<QVariantMap> blocks_;
};
