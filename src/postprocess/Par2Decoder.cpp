#include "postprocess/Par2Decoder.h"

#include "core/FileUtils.h"
#include "postprocess/Par2Console.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

using Bytes = Par2Decoder::Bytes;

constexpr char kMagic[8] = {'P', 'A', 'R', '2', '\0', 'P', 'K', 'T'};
constexpr qint64 kHeaderSize = 64;
// The packets whose bodies are decoded (main, checksums, descriptions,
// creator) are a few KiB in any real set; one larger than this is hostile
// and is not held in memory.
constexpr quint64 kMaxDecodedPacket = 32u << 20;
constexpr qint64 kWindow = 1 << 20;

enum PacketCode { Main = 1, IFSC = 2, FileDesc = 3, RecvSlic = 4, Creator = 5, Other = 6 };

struct PacketType
{
    const char* signature; // 16 bytes
    PacketCode code;
    const char* label;
};

const PacketType kTypes[] = {
    {"PAR 2.0\0Main\0\0\0\0", Main, nullptr},
    {"PAR 2.0\0IFSC\0\0\0\0", IFSC, nullptr},
    {"PAR 2.0\0FileDesc", FileDesc, nullptr},
    {"PAR 2.0\0RecvSlic", RecvSlic, nullptr},
    {"PAR 2.0\0Creator\0", Creator, nullptr},
    {"PAR 2.0\0UniFileN", Other, "filename_uc_signature"},
    {"PAR 2.0\0CommASCI", Other, "comment_ascii_signature"},
    {"PAR 2.0\0CommUni\0", Other, "comment_uc_signature"},
    {"PAR 2.0\0FileSlic", Other, "inputblock_signature"},
    {"PAR 2.0\0RFSC\0\0\0\0", Other, "recovery_ver_signature"},
    {"PAR 2.0\0PkdMain\0", Other, "packet_main_signature"},
    {"PAR 2.0\0PkdRecvS", Other, "packet_recovery_signature"},
};

const PacketType* typeOf(const char* signature)
{
    for (const PacketType& t : kTypes) {
        if (std::memcmp(t.signature, signature, 16) == 0) return &t;
    }
    return nullptr;
}

quint64 u64At(const Bytes& b, qsizetype at)
{
    return qFromLittleEndian<quint64>(b.data() + at);
}

quint32 u32At(const Bytes& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.data() + at);
}

QString hexAt(const Bytes& b, qsizetype at)
{
    return Par2Utils::NSDataToHexString(QByteArray(b.data() + at, 16));
}

// Text up to its first NUL. The standard has these names in ASCII; sets made
// on Linux carry the file system's bytes, which are UTF-8, so valid UTF-8 is
// read as such and anything else byte by byte as Latin-1.
QString textUpToNul(const char* p, qsizetype n)
{
    const char* nul = static_cast<const char*>(std::memchr(p, 0, size_t(n)));
    const QByteArrayView bytes(p, nul ? nul - p : n);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (utf8.hasError()) return QString::fromLatin1(bytes);
    return text;
}

QString debugText(const QVariantMap& map)
{
    QString text;
    QDebug(&text) << map;
    return text;
}

} // namespace

// The bytes of the PAR2 file: either data handed in, or the file read through
// a window of at most kWindow bytes.
class Par2Decoder::Source
{
public:
    explicit Source(const QByteArray& data) : data_(data), size_(data.size()) {}
    explicit Source(std::unique_ptr<QFile> file) : file_(std::move(file)), size_(file_->size()) {}

    qint64 size() const { return size_; }

    // Up to `maxLen` bytes at `offset` (fewer at a window's end), valid until
    // the next call; empty on a read error or at the end.
    QByteArrayView view(qint64 offset, qint64 maxLen)
    {
        if (offset < 0 || offset >= size_ || maxLen <= 0) return {};
        if (!file_) return QByteArrayView(data_.constData() + offset, std::min(maxLen, size_ - offset));
        if (offset < windowStart_ || offset >= windowStart_ + window_.size()) {
            window_.resize(kWindow);
            if (!file_->seek(offset)) {
                window_.clear();
                return {};
            }
            const qint64 n = file_->read(window_.data(), std::min(kWindow, size_ - offset));
            window_.resize(std::max<qint64>(n, 0));
            windowStart_ = offset;
            if (n <= 0) return {};
        }
        const qint64 at = offset - windowStart_;
        return QByteArrayView(window_.constData() + at, std::min(maxLen, window_.size() - at));
    }

    // Exactly `len` bytes at `offset`, or nothing.
    std::optional<Bytes> read(qint64 offset, qint64 len)
    {
        Bytes out;
        out.reserve(size_t(len));
        while (qint64(out.size()) < len) {
            const QByteArrayView v = view(offset + qint64(out.size()), len - qint64(out.size()));
            if (v.isEmpty()) return std::nullopt;
            out.insert(out.end(), v.begin(), v.end());
        }
        return out;
    }

    // Position of the first magic at or after `from`, or -1.
    qint64 findMagic(qint64 from)
    {
        const QByteArrayView magic(kMagic, sizeof kMagic);
        QByteArray carry;
        for (qint64 offset = std::max<qint64>(from, 0); offset < size_;) {
            const QByteArrayView v = view(offset, kWindow);
            if (v.isEmpty()) return -1;
            const QByteArray chunk = carry + v.toByteArray();
            const qsizetype at = chunk.indexOf(magic);
            if (at >= 0) return offset - carry.size() + at;
            carry = chunk.right(magic.size() - 1);
            offset += v.size();
        }
        return -1;
    }

private:
    QByteArray data_;
    std::unique_ptr<QFile> file_;
    qint64 size_ = 0;
    QByteArray window_;
    qint64 windowStart_ = 0;
};

Par2Decoder::Par2Decoder() = default;
Par2Decoder::~Par2Decoder() = default;

void Par2Decoder::initWithUrl(const QString& path)
{
    if (par2data_) return;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        par2Console(u"%s File does not exists: %@", "Par2Decoder::initWithUrl", path);
        return;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        par2Console(u"%s Error reading par2file - %@", "Par2Decoder::initWithUrl", file->errorString());
        return;
    }
    par2data_ = std::make_unique<Source>(std::move(file));
}

void Par2Decoder::initWithData(const QByteArray& data)
{
    par2data_ = data.isNull() ? nullptr : std::make_unique<Source>(data);
}

bool Par2Decoder::hasData() const
{
    return par2data_ != nullptr;
}

void Par2Decoder::dropData()
{
    par2data_.reset();
}

void Par2Decoder::decode()
{
    mainDict_.clear();
    ifscDict_.clear();
    filedescDict_.clear();
    recoveryDict_.clear();
    creatorDict_.clear();
    if (!par2data_) return;
    Source& src = *par2data_;
    const qint64 size = src.size();
    // PAR2 files repeat their main and description packets, and each packet
    // carries its own MD5: one damaged packet (a flipped bit in its length
    // field included) costs that packet only. Reading goes on at the next
    // packet's magic, never by a length that did not check out.
    for (qint64 p = src.findMagic(0); p >= 0;) {
        if (size - p < 16) return;
        const std::optional<Bytes> lengthField = src.read(p + 8, 8);
        if (!lengthField) return;
        const quint64 length = u64At(*lengthField, 0);
        // Compared against what is left, never added to p unchecked: a length
        // near 2^64 must not wrap around.
        const bool fits = length <= quint64(size - p) && length >= quint64(kHeaderSize);
        if (fits && processPacket(p, length)) {
            p += qint64(length);
            if (p >= size) return;
            continue;
        }
        par2Console(u"%s Damaged packet at offset %lld skipped", "Par2Decoder::decode", p);
        p = src.findMagic(p + 1);
    }
}

bool Par2Decoder::processPacket(qint64 p, quint64 length)
{
    Source& src = *par2data_;
    const std::optional<Bytes> head = src.read(p, kHeaderSize);
    if (!head) return false;
    const PacketType* type = typeOf(head->data() + 48);
    const PacketCode code = type ? type->code : Other;
    // What is kept of the packet while its checksum is computed: decoded
    // bodies whole, a recovery slice only up to its exponent.
    quint64 keep = 0;
    if (code == RecvSlic)
        keep = std::min<quint64>(length, kHeaderSize + 4);
    else if (code != Other && length <= kMaxDecodedPacket)
        keep = length;

    std::optional<Bytes> packet = src.read(p, qint64(keep));
    if (!packet) return false;
    QCryptographicHash md5(QCryptographicHash::Md5);
    if (keep == length) {
        md5.addData(QByteArrayView(packet->data() + 32, qsizetype(packet->size()) - 32));
    } else {
        const qint64 end = p + qint64(length);
        for (qint64 at = p + 32; at < end;) {
            const QByteArrayView v = src.view(at, end - at);
            if (v.isEmpty()) return false; // read error: the packet is not there
            md5.addData(v);
            at += v.size();
        }
    }
    if (md5.result() != QByteArrayView(head->data() + 16, 16)) return false;

    switch (code) {
    case Main:
    case IFSC:
    case FileDesc:
    case Creator:
        if (keep == 0) {
            par2Console(u"%s Packet too large to decode (%llu)", "Par2Decoder::processPacket", length);
            break;
        }
        if (code == Main)
            decodeMain(*packet);
        else if (code == IFSC)
            decodeIFSC(*packet);
        else if (code == FileDesc)
            decodeFileDesc(*packet);
        else
            decodeCreator(*packet);
        break;
    case RecvSlic:
        decodeRecovery(*packet, p, length);
        break;
    case Other:
        par2Console(u"%s %s", "Par2Decoder::processPacket", type ? type->label : "Unknown Packet");
        break;
    }
    mainDict_.insert(QStringLiteral("setID"), hexAt(*head, 32));
    return true;
}

void Par2Decoder::decodeMain(const Bytes& packet)
{
    if (qint64(packet.size()) < 76) {
        par2Console(u"%s Datasize too small for a Main packet (%ld)", "Par2Decoder::decodeMain",
                    qint64(packet.size()) - 48);
        return;
    }
    const quint64 sliceSize = u64At(packet, 64);
    const quint32 totalFiles = u32At(packet, 72);
    // The IDs are read only within the packet: a count that asks for more
    // than the body holds yields the IDs that are there, and the file list
    // then refuses the set because the two numbers differ.
    const qint64 present = (qint64(packet.size()) - 76) / 16;
    const qint64 count = std::min<qint64>(totalFiles, present);
    QVariantList ids;
    ids.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        ids.append(hexAt(packet, 76 + 16 * i));
    mainDict_.insert(QStringLiteral("sliceSize"), QVariant::fromValue<quint64>(sliceSize));
    mainDict_.insert(QStringLiteral("totalFiles"), QVariant::fromValue<qint64>(totalFiles));
    mainDict_.insert(QStringLiteral("fileIDArray"), ids);
}

void Par2Decoder::decodeIFSC(const Bytes& packet)
{
    if (qint64(packet.size()) < 80) {
        par2Console(u"%s Datasize too small for a IFSC packet (%ld)", "Par2Decoder::decodeIFSC",
                    qint64(packet.size()) - 48);
        return;
    }
    const QString fileID = hexAt(packet, 64);
    const qint64 count = (qint64(packet.size()) - 80) / 20;
    const bool wanted =
        dataRequest_ == FullDump || (dataRequest_ == ChecksumsOfOneFile && fileID == fileIDRequest_);
    QVariantList crcs;
    if (wanted) {
        crcs.reserve(count);
        for (qint64 i = 0; i < count; ++i)
            crcs.append(QVariant::fromValue<quint32>(u32At(packet, 80 + 20 * i + 16)));
    }
    QVariantMap record;
    record.insert(QStringLiteral("totalSlices"), QVariant::fromValue<qint64>(count));
    record.insert(QStringLiteral("crc32Array"), crcs);
    ifscDict_.insert(fileID, record);
}

void Par2Decoder::decodeFileDesc(const Bytes& packet)
{
    if (qint64(packet.size()) < 120) {
        par2Console(u"%s Datasize too small for a FileDesc packet (%ld)", "Par2Decoder::decodeFileDesc",
                    qint64(packet.size()) - 48);
        return;
    }
    if (qint64(packet.size()) == 120) return; // no name bytes at all
    const QString fileID = hexAt(packet, 64);
    const QString name = textUpToNul(packet.data() + 120, qint64(packet.size()) - 120);
    QVariantMap record;
    record.insert(QStringLiteral("filename"), name);
    record.insert(QStringLiteral("safeFilename"), safeFilename(name));
    record.insert(QStringLiteral("md5"), hexAt(packet, 80));
    record.insert(QStringLiteral("md516k"), hexAt(packet, 96));
    record.insert(QStringLiteral("bytes"), QVariant::fromValue<quint64>(u64At(packet, 112)));
    filedescDict_.insert(fileID, record);
}

void Par2Decoder::decodeRecovery(const Bytes& head, qint64 p, quint64 length)
{
    if (head.size() < 68u) {
        par2Console(u"%s Datasize too small for a Recovery packet (%ld)", "Par2Decoder::decodeRecovery",
                    qint64(length) - 48);
        return;
    }
    const quint32 exponent = u32At(head, 64);
    QVariantMap record;
    record.insert(QStringLiteral("exponent"), QVariant::fromValue<qint64>(exponent));
    if (dataRequest_ != CountOfRecoverySlices) {
        record.insert(QStringLiteral("recoveryDataOffset"), QVariant::fromValue<qint64>(p + 68));
        record.insert(QStringLiteral("recoveryDataLength"), QVariant::fromValue<qint64>(qint64(length) - 68));
    }
    recoveryDict_.insert(QString::number(exponent), record);
}

void Par2Decoder::decodeCreator(const Bytes& packet)
{
    creatorDict_.insert(QStringLiteral("parVersion"), textUpToNul(packet.data() + 48, 8));
    creatorDict_.insert(QStringLiteral("creatorName"),
                        textUpToNul(packet.data() + 64, qint64(packet.size()) - 64));
}

std::optional<QVariantMap> Par2Decoder::getFileList()
{
    if (!par2data_) return std::nullopt;
    decode();
    const qint64 totalFiles = mainDict_.value(QStringLiteral("totalFiles")).toLongLong();
    const QVariantList ids = mainDict_.value(QStringLiteral("fileIDArray")).toList();
    if (totalFiles <= 0 || totalFiles != ids.size() || totalFiles != filedescDict_.size())
        return std::nullopt;
    QVariantList files;
    qint64 totalPackageSlices = 0;
    for (const QVariant& idValue : ids) {
        const QString id = idValue.toString();
        // Equal counts with a description missing for one of the IDs (or an
        // ID listed twice) is not a set this program can account for.
        if (!filedescDict_.contains(id)) return std::nullopt;
        QVariantMap record = filedescDict_.value(id).toMap();
        record.insert(QStringLiteral("fileID"), id);
        if (ifscDict_.contains(id)) {
            const qint64 slices =
                ifscDict_.value(id).toMap().value(QStringLiteral("totalSlices")).toLongLong();
            record.insert(QStringLiteral("totalSlices"), QVariant::fromValue<qint64>(slices));
            totalPackageSlices += slices;
        }
        files.append(record);
    }
    std::stable_sort(files.begin(), files.end(), [](const QVariant& a, const QVariant& b) {
        return a.toMap().value(QStringLiteral("filename")).toString() <
               b.toMap().value(QStringLiteral("filename")).toString();
    });
    mainDict_.insert(QStringLiteral("totalPackageSlices"), QVariant::fromValue<qint64>(totalPackageSlices));
    mainDict_.insert(QStringLiteral("validRecoverySlices"),
                     QVariant::fromValue<qint64>(recoveryDict_.size()));
    mainDict_.remove(QStringLiteral("fileIDArray"));
    return QVariantMap{{QStringLiteral("main"), mainDict_},
                       {QStringLiteral("creator"), creatorDict_},
                       {QStringLiteral("files"), files}};
}

std::optional<QList<quint32>> Par2Decoder::getCRC32DataForFileID(const QString& fileID)
{
    dataRequest_ = ChecksumsOfOneFile;
    fileIDRequest_ = fileID.toLower();
    decode();
    if (!ifscDict_.contains(fileIDRequest_)) return std::nullopt;
    QList<quint32> crcs;
    for (const QVariant& v :
         ifscDict_.value(fileIDRequest_).toMap().value(QStringLiteral("crc32Array")).toList())
        crcs.append(v.toUInt());
    return crcs;
}

std::optional<QVariantMap> Par2Decoder::countRecoverySlices()
{
    if (!par2data_) return std::nullopt;
    dataRequest_ = CountOfRecoverySlices;
    decode();
    dropData();
    mainDict_.insert(QStringLiteral("validRecoverySlices"),
                     QVariant::fromValue<qint64>(recoveryDict_.size()));
    mainDict_.remove(QStringLiteral("fileIDArray"));
    return QVariantMap{{QStringLiteral("main"), mainDict_}};
}

std::optional<QVariantMap> Par2Decoder::getRecoveryData()
{
    if (!par2data_) return std::nullopt;
    dataRequest_ = RecoveryData;
    decode();
    dropData();
    return recoveryDict_;
}

std::optional<QVariantMap> Par2Decoder::getDebug()
{
    dataRequest_ = FullDump;
    decode();
    par2Console(u"mainDict:%@", debugText(mainDict_));
    par2Console(u"ifscDict:%@", debugText(ifscDict_));
    par2Console(u"filedescDict:%@", debugText(filedescDict_));
    par2Console(u"recoveryDict:%@", debugText(recoveryDict_));
    par2Console(u"creatorDict:%@", debugText(creatorDict_));
    if (!par2data_) return std::nullopt;
    return QVariantMap();
}

QString Par2Decoder::safeFilename(const QString& name)
{
    return FileUtils::safeForeignFileName(name);
}
