#include "support/Rar4Builder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QMutex>

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

constexpr quint16 kLongBlock = 0x8000;
constexpr quint16 kFileSplitBefore = 0x01;
constexpr quint16 kFileSplitAfter = 0x02;
constexpr quint16 kFilePassword = 0x04;
constexpr quint16 kFileLarge = 0x100;
constexpr quint16 kFileUnicode = 0x200;
constexpr quint16 kFileSalt = 0x400;
constexpr quint16 kMainVolume = 0x01;
constexpr quint16 kMainNewNumbering = 0x10;
constexpr quint16 kMainEncryptedHeaders = 0x80;
constexpr quint16 kMainFirstVolume = 0x100;
constexpr quint16 kEndNextVolume = 0x01;
constexpr quint16 kSkipIfUnknown = 0x4000;

// 2024-01-02 03:04:06 as an MS-DOS time stamp.
constexpr quint32 kDosTime =
    (quint32(2024 - 1980) << 25) | (1u << 21) | (2u << 16) | (3u << 11) | (4u << 5) | 3u;
constexpr quint8 kHostUnix = 3;
constexpr quint32 kUnixRegularFile0644 = 0100644;

void put16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}

void put32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

quint32 crc32Of(const QByteArray& data)
{
    return quint32(
        ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
}

struct Keys
{
    QByteArray key; // 16 bytes
    QByteArray iv;  // 16 bytes
};

// The key derivation of RAR 3.x: 2^18 rounds of SHA-1 over the password
// (UTF-16LE), the salt and a 24-bit round counter; every 2^14 rounds the last
// byte of the running digest gives one byte of the IV, and the final digest,
// read as five little-endian words, the key.
Keys deriveKeys(const QString& password, const QByteArray& salt)
{
    static QMutex mutex;
    static QMap<QByteArray, Keys> cache;
    QByteArray raw;
    for (QChar c : password)
        put16(raw, c.unicode());
    raw += salt;
    {
        QMutexLocker lock(&mutex);
        auto it = cache.constFind(raw);
        if (it != cache.constEnd()) return *it;
    }

    constexpr int kRounds = 0x40000;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_MD_CTX* tmp = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
    Keys keys;
    keys.iv.resize(16);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    for (int i = 0; i < kRounds; ++i) {
        EVP_DigestUpdate(ctx, raw.constData(), size_t(raw.size()));
        const unsigned char counter[3] = {quint8(i), quint8(i >> 8), quint8(i >> 16)};
        EVP_DigestUpdate(ctx, counter, 3);
        if (i % (kRounds / 16) == 0) {
            EVP_MD_CTX_copy_ex(tmp, ctx);
            EVP_DigestFinal_ex(tmp, digest, &len);
            keys.iv[i / (kRounds / 16)] = char(digest[19]);
        }
    }
    EVP_DigestFinal_ex(ctx, digest, &len);
    EVP_MD_CTX_free(tmp);
    EVP_MD_CTX_free(ctx);
    keys.key.resize(16);
    for (int w = 0; w < 4; ++w)
        for (int j = 0; j < 4; ++j)
            keys.key[w * 4 + j] = char(digest[w * 4 + 3 - j]);

    QMutexLocker lock(&mutex);
    cache.insert(raw, keys);
    return keys;
}

// AES-128-CBC over `plain` padded with zeros to whole 16-byte blocks.
QByteArray encrypt(const QByteArray& plain, const Keys& keys)
{
    QByteArray padded = plain;
    padded.append(QByteArray((16 - padded.size() % 16) % 16, '\0'));
    QByteArray out(padded.size() + 16, '\0');
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr,
                       reinterpret_cast<const unsigned char*>(keys.key.constData()),
                       reinterpret_cast<const unsigned char*>(keys.iv.constData()));
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    int n = 0, m = 0;
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &n,
                      reinterpret_cast<const unsigned char*>(padded.constData()), int(padded.size()));
    EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(n + m);
    return out;
}

QByteArray saltFor(const QByteArray& seed)
{
    return QCryptographicHash::hash("rar4builder salt " + seed, QCryptographicHash::Sha1).left(8);
}

// The NAME field of a file header. ASCII names are written as they are; other
// names as a fallback ASCII name, a zero byte and the UTF-16 name in the
// archive format's own encoding (with flag 0x200), using only its "two bytes
// per unit" operation.
QByteArray nameField(const QString& name, quint16* flags)
{
    bool ascii = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii) return name.toLatin1();
    *flags |= kFileUnicode;
    QByteArray field;
    for (QChar c : name)
        field.append(c.unicode() < 0x80 ? char(c.unicode()) : '_');
    field.append('\0');
    field.append('\0'); // high byte of the (unused) one-byte operation
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (i % 4 == 0) field.append(char(0xAA)); // four "two bytes" operations
        put16(field, name[i].unicode());
    }
    return field;
}

} // namespace

Rar4Builder& Rar4Builder::addFile(const QString& name, const QByteArray& data)
{
    entries_.append({name, data});
    return *this;
}

Rar4Builder& Rar4Builder::setPassword(const QString& password)
{
    Q_ASSERT(password.size() <= 27);
    password_ = password;
    return *this;
}

Rar4Builder& Rar4Builder::setEncryptedHeaders(bool on)
{
    encryptedHeaders_ = on;
    return *this;
}

QByteArray Rar4Builder::rar3KeyAndIv(const QString& password, const QByteArray& salt)
{
    const Keys keys = deriveKeys(password, salt);
    return keys.key + keys.iv;
}

QByteArray Rar4Builder::marker()
{
    return QByteArray("Rar!\x1a\x07\x00", 7);
}

QByteArray Rar4Builder::block(quint8 type, quint16 flags, const QByteArray& fields)
{
    QByteArray head;
    head.append(char(type));
    put16(head, flags);
    put16(head, quint16(7 + fields.size()));
    head += fields;
    QByteArray out;
    put16(out, quint16(crc32Of(head) & 0xffff));
    return out + head;
}

QByteArray Rar4Builder::mainHeader(quint16 flags)
{
    return block(0x73, flags, QByteArray(6, '\0'));
}

QByteArray Rar4Builder::fileHeader(const FileHeader& h)
{
    quint16 flags = h.flags | kLongBlock;
    if (h.packSize > 0xffffffffu || h.unpSize > 0xffffffffu) flags |= kFileLarge;
    QByteArray f;
    put32(f, quint32(h.packSize));
    put32(f, quint32(h.unpSize));
    f.append(char(kHostUnix));
    put32(f, h.fileCrc);
    put32(f, kDosTime);
    f.append(char(h.unpVer));
    f.append(char(h.method));
    put16(f, quint16(h.nameField.size()));
    put32(f, kUnixRegularFile0644);
    if (flags & kFileLarge) {
        put32(f, quint32(h.packSize >> 32));
        put32(f, quint32(h.unpSize >> 32));
    }
    f += h.nameField;
    if (flags & kFileSalt) f += h.salt.leftJustified(8, '\0', true);
    return block(0x74, flags, f);
}

QByteArray Rar4Builder::endOfArchive(quint16 flags)
{
    return block(0x7b, flags | kSkipIfUnknown, {});
}

QByteArray Rar4Builder::build() const
{
    return assemble(std::numeric_limits<qint64>::max(), false, Naming::PartN).value(0);
}

QList<QByteArray> Rar4Builder::buildVolumes(qint64 dataPerVolume, Naming naming) const
{
    return assemble(dataPerVolume, true, naming);
}

QList<QByteArray> Rar4Builder::assemble(qint64 dataPerVolume, bool volumes, Naming naming) const
{
    Q_ASSERT(!encryptedHeaders_ || !password_.isEmpty());
    const bool crypt = !password_.isEmpty();
    dataPerVolume = std::max<qint64>(dataPerVolume, 1);

    QByteArray seed = password_.toUtf8();
    for (const Entry& e : entries_)
        seed += e.name.toUtf8() + '\0' + QByteArray::number(e.data.size()) + '\0';
    const QByteArray headerSalt = saltFor("headers " + seed);
    auto header = [&](const QByteArray& plain) {
        return encryptedHeaders_ ? headerSalt + encrypt(plain, deriveKeys(password_, headerSalt)) : plain;
    };

    // The stored bytes of every entry. An encrypted entry is one cipher stream
    // (keyed by its salt) that volumes cut wherever they end; every piece's
    // header repeats the salt.
    struct Stream
    {
        QByteArray packed;
        QByteArray salt;
    };
    QList<Stream> streams;
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        Stream s;
        if (crypt) {
            s.salt = saltFor(seed + QByteArray::number(i));
            s.packed = encrypt(entries_[i].data, deriveKeys(password_, s.salt));
        } else {
            s.packed = entries_[i].data;
        }
        streams.append(s);
    }

    QList<QByteArray> out;
    qsizetype entry = 0;
    qint64 offset = 0; // within the current entry's stored bytes
    do {
        quint16 mainFlags = encryptedHeaders_ ? kMainEncryptedHeaders : 0;
        if (volumes) {
            mainFlags |= kMainVolume;
            if (naming == Naming::PartN) mainFlags |= kMainNewNumbering;
            if (out.isEmpty()) mainFlags |= kMainFirstVolume;
        }
        QByteArray volume = marker() + mainHeader(mainFlags);
        qint64 room = dataPerVolume;
        while (entry < entries_.size() && room > 0) {
            const Entry& e = entries_[entry];
            const Stream& s = streams[entry];
            const qint64 left = s.packed.size() - offset;
            const qint64 take = std::min(left, room);
            const bool last = take == left;
            const QByteArray piece = s.packed.mid(offset, take);

            FileHeader h;
            quint16 flags = 0;
            h.nameField = nameField(e.name, &flags);
            if (offset > 0) flags |= kFileSplitBefore;
            if (!last) flags |= kFileSplitAfter;
            if (crypt) {
                flags |= kFilePassword | kFileSalt;
                h.salt = s.salt;
            }
            h.flags = flags;
            h.packSize = quint64(piece.size());
            h.unpSize = quint64(e.data.size());
            // A piece that continues elsewhere carries the checksum of its own
            // stored bytes; the last piece that of the whole file.
            h.fileCrc = last ? crc32Of(e.data) : crc32Of(piece);
            volume += header(fileHeader(h)) + piece;

            room -= take;
            offset += take;
            if (last) {
                ++entry;
                offset = 0;
            }
        }
        const bool more = entry < entries_.size();
        volume += header(endOfArchive(more ? kEndNextVolume : 0));
        out.append(volume);
    } while (volumes && entry < entries_.size());
    return out;
}

QStringList Rar4Builder::volumeNames(const QString& baseName, int count, Naming naming, int minDigits)
{
    QStringList names;
    const int digits = std::max(minDigits, int(QString::number(count).size()));
    for (int i = 0; i < count; ++i) {
        if (naming == Naming::PartN)
            names << QStringLiteral("%1.part%2.rar").arg(baseName).arg(i + 1, digits, 10, QLatin1Char('0'));
        else if (i == 0)
            names << baseName + QStringLiteral(".rar");
        else
            names << QStringLiteral("%1.r%2").arg(baseName).arg(i - 1, 2, 10, QLatin1Char('0'));
    }
    return names;
}

bool Rar4Builder::writeArchive(const QString& path) const
{
    QFile f(path);
    const QByteArray data = build();
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QStringList Rar4Builder::writeVolumes(const QString& folder, const QString& baseName, qint64 dataPerVolume,
                                      Naming naming, int minDigits) const
{
    const QList<QByteArray> vols = buildVolumes(dataPerVolume, naming);
    const QStringList names = volumeNames(baseName, int(vols.size()), naming, minDigits);
    QStringList paths;
    for (qsizetype i = 0; i < vols.size(); ++i) {
        const QString path = QDir(folder).filePath(names[i]);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(vols[i]) != vols[i].size())
            return {};
        paths << path;
    }
    return paths;
}
