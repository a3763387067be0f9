#include "posting/Yenc.h"

#include "codec/Crc32.h"

#include "core/StringFormat.h"
#include "posting/YencBodyEncoder.h"

#include <QDebug>
#include <QFileDevice>
#include <QLoggingCategory>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QLoggingCategory& console()
{
    static const QLoggingCategory category("binorama.yenc");
    return category;
}

// The CRC is taken block by block right after the block is encoded, while
// the block is still in the cache.
constexpr qint64 kBlock = 32 * 1024;


} // namespace

quint32 Yenc::crc32(QByteArrayView data)
{
    return Crc32::update(Crc32::initial(), data.data(), data.size());
}

quint32 Yenc::combineCrc(quint32 crcA, quint32 crcB, qint64 lengthB)
{
    return Crc32::combine(crcA, crcB, lengthB);
}

bool Yenc::appendString(const QString& text, QByteArray* data)
{
    if (!data || text.isNull()) {
        qCInfo(console).noquote() << sformat(u"%s Conversion failed. Data is nil", "Yenc::appendString");
        return false;
    }
    data->append(text.toUtf8());
    return true;
}

QString Yenc::headerSafeText(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char('_');
    }
    return out;
}

qint64 Yenc::partOffset(const YencPart& part)
{
    if (part.segnr <= 1) return 0;
    return qint64(std::trunc(double(part.segnr - 1) * part.maxArticleSize));
}

qint64 Yenc::expectedPartBytes(const YencPart& part)
{
    const qint64 left = part.fileBytes - partOffset(part);
    return std::clamp<qint64>(left, 0, qint64(part.maxArticleSize));
}

std::optional<QByteArray> Yenc::readSlice(QFileDevice& file, qint64 offset, qint64 length)
{
    if (!file.isOpen() || !file.isReadable() || offset < 0 || length < 0 || !file.seek(offset))
        return std::nullopt;
    QByteArray data(length, Qt::Uninitialized);
    qint64 got = 0;
    while (got < length) {
        const qint64 n = file.read(data.data() + got, length - got);
        if (n <= 0) return std::nullopt;
        got += n;
    }
    if (data.isNull()) // a slice of 0 bytes that was read is still data
        data = QByteArray("");
    return data;
}

std::optional<YencEncoded> Yenc::encodeSegment(const YencPart& part, const QByteArray& slice)
{
    // A slice that was never read, or read short, must not go out as an
    // article: it would post as a valid but wrong part of the file.
    if (slice.isNull() || part.segnr < 1 || part.segtotal < 1 || part.segnr > part.segtotal ||
        !(part.maxArticleSize >= 1) || part.bytes != slice.size() || slice.size() != expectedPartBytes(part))
        return std::nullopt;
    const bool multi = part.segtotal > 1;
    if (multi && slice.isEmpty()) return std::nullopt; // no part of a file in several articles is empty
    const QString name = headerSafeText(part.filename);

    QByteArray out;
    const qint64 n = slice.size();
    out.reserve(qsizetype(YencBodyEncoder::maxEncodedSize(size_t(n)) + 512 + name.size() * 3));
    if (multi) {
        const qint64 begin = partOffset(part) + 1;
        appendString(sformat(u"=ybegin part=%ld line=%d size=%ld name=%@\r\n", part.segnr, kLineLength,
                             part.fileBytes, name),
                     &out);
        appendString(sformat(u"=ypart begin=%ld end=%ld\r\n", begin, begin + n - 1), &out);
    } else {
        appendString(sformat(u"=ybegin line=%d size=%ld name=%@\r\n", kLineLength, n, name), &out);
    }

    const qsizetype headerSize = out.size();
    out.resize(headerSize + qsizetype(YencBodyEncoder::maxEncodedSize(size_t(n))));
    const auto* in = reinterpret_cast<const uint8_t*>(slice.constData());
    auto* o = reinterpret_cast<uint8_t*>(out.data()) + headerSize;
    int column = 0;
    quint32 crc = 0;
    for (qint64 at = 0; at < n; at += kBlock) {
        const qint64 step = std::min(kBlock, n - at);
        o += YencBodyEncoder::encode(in + at, size_t(step), o, column);
        crc = Crc32::update(crc, slice.constData() + at, step);
    }
    o += YencBodyEncoder::finish(o, column);
    out.resize(qsizetype(o - reinterpret_cast<uint8_t*>(out.data())));

    if (!multi) {
        appendString(sformat(u"=yend size=%ld crc32=%08x \r\n", n, crc), &out);
    } else if (part.segnr == part.segtotal && part.crcOfEarlierParts) {
        const quint32 whole = combineCrc(*part.crcOfEarlierParts, crc, n);
        appendString(
            sformat(u"=yend size=%ld part=%ld pcrc32=%08x crc32=%08x \r\n", n, part.segnr, crc, whole), &out);
    } else {
        appendString(sformat(u"=yend size=%ld part=%ld pcrc32=%08x \r\n", n, part.segnr, crc), &out);
    }
    return YencEncoded{out, crc};
}
