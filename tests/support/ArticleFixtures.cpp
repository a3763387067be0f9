#include "support/ArticleFixtures.h"

#include <QRandomGenerator>

#include <zlib.h>

#include <random>

QByteArray ArticleFixtures::dotStuff(QByteArrayView content)
{
    QByteArray out;
    out.reserve(content.size() + content.size() / 64 + 8);
    bool lineStart = true;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (lineStart && c == '.') out.append('.');
        out.append(c);
        lineStart = c == '\n' && i > 0 && content[i - 1] == '\r';
    }
    if (!content.isEmpty() && !content.endsWith("\r\n")) out.append("\r\n");
    out.append(".\r\n");
    return out;
}

QByteArray ArticleFixtures::yencEncode(QByteArrayView data, int lineLength, bool escapeLeadingDot)
{
    QByteArray out;
    out.reserve(data.size() + data.size() / 32 + 16);
    int column = 0;
    for (char b : data) {
        const auto c = static_cast<unsigned char>(b + 42);
        const bool critical =
            c == 0 || c == '\n' || c == '\r' || c == '=' || (escapeLeadingDot && column == 0 && c == '.');
        if (critical) {
            out.append('=');
            out.append(char(c + 64));
            column += 2;
        } else {
            out.append(char(c));
            ++column;
        }
        if (column >= lineLength) {
            out.append("\r\n");
            column = 0;
        }
    }
    if (column > 0) out.append("\r\n");
    return out;
}

QByteArray ArticleFixtures::yencBody(QByteArrayView data, const YencPart& part, const std::uint32_t* fileCrc)
{
    QByteArray text;
    if (part.part > 0) {
        text += "=ybegin part=" + QByteArray::number(part.part) + " total=" + QByteArray::number(part.total) +
                " line=" + QByteArray::number(part.lineLength) +
                " size=" + QByteArray::number(part.fileSize) + " name=" + part.name + "\r\n";
        text += "=ypart begin=" + QByteArray::number(part.begin) +
                " end=" + QByteArray::number(part.begin + data.size() - 1) + "\r\n";
    } else {
        text += "=ybegin line=" + QByteArray::number(part.lineLength) +
                " size=" + QByteArray::number(part.fileSize) + " name=" + part.name + "\r\n";
    }
    text += yencEncode(data, part.lineLength, part.escapeLeadingDot);
    const QByteArray pcrc = QByteArray::number(crc32Of(data), 16).rightJustified(8, '0');
    text += "=yend size=" + QByteArray::number(data.size());
    if (part.part > 0) text += " part=" + QByteArray::number(part.part) + " pcrc32=" + pcrc;
    if (fileCrc)
        text += " crc32=" + QByteArray::number(*fileCrc, 16).rightJustified(8, '0');
    else if (part.part == 0)
        text += " crc32=" + pcrc;
    text += "\r\n";
    return dotStuff(text);
}

QList<QByteArray> ArticleFixtures::yencArticles(QByteArrayView file, const QByteArray& name,
                                                qsizetype partBytes, int lineLength)
{
    QList<QByteArray> bodies;
    const std::uint32_t fileCrc = crc32Of(file);
    const int total = int((file.size() + partBytes - 1) / partBytes);
    for (int i = 0; i < total; ++i) {
        YencPart part;
        part.name = name;
        part.fileSize = file.size();
        part.part = i + 1;
        part.total = total;
        part.begin = qint64(i) * partBytes + 1;
        part.lineLength = lineLength;
        bodies.append(yencBody(file.sliced(qsizetype(i) * partBytes,
                                           std::min(partBytes, file.size() - qsizetype(i) * partBytes)),
                               part, &fileCrc));
    }
    return bodies;
}

QByteArray ArticleFixtures::uuencodeText(QByteArrayView data, const QByteArray& name, const QByteArray& mode)
{
    auto enc = [](int v) { return char(v == 0 ? '`' : v + 32); };
    QByteArray out = "begin " + mode + " " + name + "\r\n";
    for (qsizetype at = 0; at < data.size(); at += 45) {
        const qsizetype n = std::min<qsizetype>(45, data.size() - at);
        out.append(enc(int(n)));
        for (qsizetype i = 0; i < n; i += 3) {
            const auto b0 = static_cast<unsigned char>(data[at + i]);
            const auto b1 = i + 1 < n ? static_cast<unsigned char>(data[at + i + 1]) : 0;
            const auto b2 = i + 2 < n ? static_cast<unsigned char>(data[at + i + 2]) : 0;
            out.append(enc(b0 >> 2));
            out.append(enc(((b0 << 4) | (b1 >> 4)) & 63));
            out.append(enc(((b1 << 2) | (b2 >> 6)) & 63));
            out.append(enc(b2 & 63));
        }
        out.append("\r\n");
    }
    out.append("`\r\nend\r\n");
    return out;
}

QByteArray ArticleFixtures::base64MimeText(QByteArrayView data, const QByteArray& name)
{
    QByteArray out = "Content-Type: image/jpeg;\r\n name=\"" + name + "\"\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    out += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
    const QByteArray b64 = data.toByteArray().toBase64();
    for (qsizetype at = 0; at < b64.size(); at += 76)
        out += b64.mid(at, 76) + "\r\n";
    return out;
}

QList<QByteArray> ArticleFixtures::splitIntoBodies(QByteArrayView text, int linesPerBody)
{
    QList<QByteArray> bodies;
    QByteArray current;
    int lines = 0;
    for (qsizetype pos = 0; pos < text.size();) {
        qsizetype lf = text.indexOf('\n', pos);
        lf = lf < 0 ? text.size() : lf + 1;
        current.append(text.sliced(pos, lf - pos));
        pos = lf;
        if (++lines == linesPerBody) {
            bodies.append(dotStuff(current));
            current.clear();
            lines = 0;
        }
    }
    if (!current.isEmpty()) bodies.append(dotStuff(current));
    return bodies;
}

std::uint32_t ArticleFixtures::crc32Of(QByteArrayView data)
{
    return std::uint32_t(
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

QByteArray ArticleFixtures::randomBytes(qsizetype size, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (char& c : out)
        c = char(rng() & 0xFF);
    return out;
}

QByteArray ArticleFixtures::yencLikeBody(qsizetype size, std::uint32_t seed)
{
    QRandomGenerator random(seed);
    QByteArray body;
    body.reserve(size + 256);
    while (body.size() < size) {
        char row[130];
        for (int i = 0; i < 128; ++i) {
            char c;
            do
                c = char(random.bounded(256));
            while (c == '\0' || c == '\r' || c == '\n');
            row[i] = c;
        }
        row[128] = '\r';
        row[129] = '\n';
        body.append(row, 130);
    }
    return body;
}
