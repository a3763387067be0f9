#include "postprocess/Rar4Info.h"

#include "core/Logger.h"

#include <zlib.h>

namespace {

constexpr quint8 kMainHead = 0x73;
constexpr quint8 kFileHead = 0x74;
constexpr quint8 kEndArchive = 0x7b;
constexpr quint16 kLongBlock = 0x8000;
constexpr quint16 kFilePassword = 0x04;
constexpr quint16 kFileLarge = 0x100;
constexpr quint16 kFileUnicode = 0x200;
constexpr quint16 kFileSalt = 0x400;
constexpr quint64 kBaseHeaderSize = 7;

const QByteArray& marker()
{
    static const QByteArray m("Rar!\x1a\x07\x00", 7);
    return m;
}

quint16 le16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}

quint32 le32(const QByteArray& b, qsizetype at)
{
    return quint32(quint8(b[at])) | (quint32(quint8(b[at + 1])) << 8) | (quint32(quint8(b[at + 2])) << 16) |
           (quint32(quint8(b[at + 3])) << 24);
}

// The archive format's compact UTF-16 name that follows the zero byte of a name
// field with flag 0x200; `ansi` is the single-byte name before that zero, from
// which runs may be copied. Empty when the encoding is damaged.
QString decodeUnicodeName(const QByteArray& ansi, const QByteArray& enc)
{
    QString out;
    qsizetype pos = 0;
    if (enc.isEmpty()) return {};
    const quint16 high = quint16(quint8(enc[pos++]) << 8);
    quint8 flags = 0;
    int flagBits = 0;
    auto has = [&](qsizetype n) { return pos + n <= enc.size(); };
    while (pos < enc.size()) {
        if (flagBits == 0) {
            flags = quint8(enc[pos++]);
            flagBits = 8;
            if (!has(1)) break;
        }
        switch (flags >> 6) {
        case 0:
            out.append(QChar(quint16(quint8(enc[pos++]))));
            break;
        case 1:
            out.append(QChar(quint16(quint8(enc[pos++]) | high)));
            break;
        case 2:
            if (!has(2)) return {};
            out.append(QChar(le16(enc, pos)));
            pos += 2;
            break;
        default: { // a run copied from the single-byte name
            const quint8 length = quint8(enc[pos++]);
            qsizetype count = (length & 0x7f) + 2;
            quint8 correction = 0;
            if (length & 0x80) {
                if (!has(1)) return {};
                correction = quint8(enc[pos++]);
            }
            for (; count > 0; --count) {
                if (out.size() >= ansi.size()) return {};
                const quint8 c = quint8(ansi[out.size()]);
                out.append((length & 0x80) ? QChar(quint16(quint8(c + correction) | high))
                                           : QChar(quint16(c)));
            }
            break;
        }
        }
        flags = quint8(flags << 2);
        flagBits -= 2;
    }
    return out;
}

} // namespace

std::optional<quint64> Rar4Info::search(const QByteArray& pattern) const
{
    const quint64 len = quint64(filedata_.size());
    const quint64 plen = quint64(pattern.size());
    if (len < plen) return std::nullopt;
    const qsizetype at = QByteArrayView(filedata_).first(qsizetype(len - plen)).indexOf(pattern);
    if (at < 0) return std::nullopt;
    return quint64(at);
}

std::optional<QByteArray> Rar4Info::read(quint64 n)
{
    // The last byte of the data is never handed out (the bound is length - 1).
    if (filelength_ == 0 || offset_ > filelength_ - 1 || n > filelength_ - 1 - offset_) return std::nullopt;
    const QByteArray out = filedata_.mid(qsizetype(offset_), qsizetype(n));
    offset_ += n;
    return out;
}

void Rar4Info::analyze()
{
    blocks_.clear();
    filelength_ = quint64(filedata_.size());
    offset_ = 0;
    if (filedata_.isEmpty()) {
        BLOG(4, "Filedata is empty.");
        return;
    }
    const std::optional<quint64> at = search(marker());
    if (!at) {
        BLOG(4, "Unsupported RAR format.");
        return;
    }

    seek(*at);
    const std::optional<QByteArray> head = read(kBaseHeaderSize);
    if (!head) // cannot happen after a successful search, kept for safety
        return;
    QVariantMap record;
    record.insert(QStringLiteral("version"), QStringLiteral("4.x"));
    record.insert(QStringLiteral("offset"), *at);
    record.insert(QStringLiteral("head_crc"), head->mid(0, 2));
    record.insert(QStringLiteral("head_type"), head->mid(2, 1));
    record.insert(QStringLiteral("head_flags"), head->mid(3, 2));
    record.insert(QStringLiteral("head_size"), head->mid(5, 2));
    blocks_.append(record);

    // Each step starts at least seven bytes after the one before, so the walk
    // ends. The block right after the marker is read as it stands; the ones
    // after it are believed only when their header checksum holds, since a
    // step by a damaged size lands in file data, where any byte may look like
    // a password flag.
    bool verify = false;
    while (offset_ < filelength_) {
        quint64 next = 0;
        if (readBlock(verify, &next) == Step::Stop) break;
        seek(next);
        verify = true;
    }
}

Rar4Info::Step Rar4Info::readBlock(bool verify, quint64* next)
{
    const quint64 start = offset_;
    const std::optional<QByteArray> head = read(kBaseHeaderSize);
    if (!head) return Step::Stop; // a header cut short by the end of the data
    if (verify && !headerChecksumHolds(start, le16(*head, 5), le16(*head, 0))) return Step::Stop;

    QVariantMap record;
    record.insert(QStringLiteral("offset"), start);
    record.insert(QStringLiteral("head_crc"), head->mid(0, 2));
    record.insert(QStringLiteral("head_type"), head->mid(2, 1));
    record.insert(QStringLiteral("head_flags"), head->mid(3, 2));
    record.insert(QStringLiteral("head_size"), head->mid(5, 2));
    const quint8 type = quint8((*head)[2]);
    const quint16 flags = le16(*head, 3);
    const quint64 headSize = le16(*head, 5);

    auto cutShort = [&] {
        BLOG(3, "RAR4 header at offset %llu is cut short.", start);
        return Step::Stop;
    };

    quint64 addSize = 0;
    if ((flags & kLongBlock) || type == kFileHead) {
        const std::optional<QByteArray> add = read(4);
        if (!add) return cutShort();
        addSize = le32(*add, 0);
    }
    record.insert(QStringLiteral("add_size"), addSize);

    bool answersYes = false;
    if (type == kFileHead) {
        const std::optional<QByteArray> fixed = read(21);
        if (!fixed) return cutShort();
        const quint16 nameSize = le16(*fixed, 15);
        record.insert(QStringLiteral("filename_size"), fixed->mid(15, 2));
        if (flags & kFileLarge) {
            const std::optional<QByteArray> high = read(8);
            if (!high) return cutShort();
            addSize += quint64(le32(*high, 0)) << 32; // the packed size's high half
        }
        const std::optional<QByteArray> field = read(nameSize);
        if (!field) return cutShort();
        // With flag 0x200 a zero byte separates a single-byte name from the
        // UTF-16 one; otherwise a field ending in a zero byte holds a C string.
        // The
        // name is only informative: a name that is not valid UTF-8 must not
        // hide the password flag, so it is decoded with replacement
        // characters rather than ending the walk.
        QString name;
        const qsizetype zero = field->indexOf('\0');
        if ((flags & kFileUnicode) && zero >= 0) {
            name = decodeUnicodeName(field->left(zero), field->mid(zero + 1));
            if (name.isEmpty()) name = QString::fromUtf8(field->left(zero));
        } else if (!field->isEmpty() && field->endsWith('\0')) {
            name = QString::fromUtf8(field->left(zero));
        } else {
            name = QString::fromUtf8(*field);
        }
        if (verify && offset_ - start > headSize) return Step::Stop; // the name runs past the header: damaged
        record.insert(QStringLiteral("filename"), name);
        if (flags & kFileSalt) seek(offset_ + 8);
        const bool hasPassword = (flags & kFilePassword) != 0;
        record.insert(QStringLiteral("has_password"), hasPassword);
        answersYes = hasPassword;
    } else if (type == kMainHead) {
        seek(offset_ + 6);
        if (flags & 0x01) record.insert(QStringLiteral("is_volume"), true);
        if (flags & 0x20) record.insert(QStringLiteral("has_auth"), true);
        if (flags & 0x40) record.insert(QStringLiteral("has_recovery"), true);
        if (flags & 0x80) {
            record.insert(QStringLiteral("is_encrypted"), true);
            answersYes = true; // what follows is encrypted and cannot be walked
        }
    }
    blocks_.append(record);

    if (answersYes || type == kEndArchive) return Step::Stop;
    // A header shorter than its own base fields is damaged; stepping by it
    // could lead anywhere (or nowhere).
    if (headSize < kBaseHeaderSize) return Step::Stop;
    const quint64 end = start + headSize;
    if (end < start || addSize > ~quint64(0) - end) return Step::Stop;
    *next = end + addSize;
    if (*next >= filelength_) return Step::Stop; // the data (or this volume) ends inside or after this block
    return Step::Next;
}

bool Rar4Info::headerChecksumHolds(quint64 start, quint64 headSize, quint16 headCrc) const
{
    if (headSize < kBaseHeaderSize || headSize > filelength_ || start > filelength_ - headSize) return false;
    const auto* bytes = reinterpret_cast<const Bytef*>(filedata_.constData()) + start + 2;
    const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), bytes, uInt(headSize - 2));
    return quint16(crc & 0xffff) == headCrc;
}

bool Rar4Info::isPasswordProtected()
{
    analyze();
    if (blocks_.isEmpty()) {
        BLOG(4, "RAR4 no blocks found.");
        return false;
    }
    for (const QVariantMap& record : std::as_const(blocks_)) {
        if (record.value(QStringLiteral("is_encrypted")).toBool() ||
            record.value(QStringLiteral("has_password")).toBool())
            return true;
    }
    return false;
}
