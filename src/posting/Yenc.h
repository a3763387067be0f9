#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFileDevice;

// What the encoder reads of one upload segment and its owners.
struct YencPart
{
    qint64 segnr = 1;               // this article's number within the file, from 1
    qint64 segtotal = 1;            // articles of the file
    qint64 bytes = 0;               // size of the raw slice
    QString filename;               // the file part's name, written after name=
    qint64 fileBytes = 0;           // the whole file's size
    double maxArticleSize = 384000; // the job's slice size
    // The CRC-32 of the file's bytes before this part (parts 1 to n-1), when
    // the caller has it: the last part of a multi-part file then also carries
    // the whole file's crc32= (combined, the file is not read again).
    std::optional<quint32> crcOfEarlierParts;
};

struct YencEncoded
{
    QByteArray body;    // the article body, every line ending in CR LF
    quint32 pcrc32 = 0; // CRC-32 of this part's raw bytes
};

// yEnc article bodies for uploads: the single-part form, or the multi-part
// form with its =ypart line, lines of 128 characters, and a wider escaping
// set than yEnc requires (TAB, space and "." everywhere, so no line ever
// starts with a dot or ends in white space). Class operations; any thread.
class Yenc
{
public:
    static constexpr int kLineLength = 128;

    // Encodes one slice. Nothing when the slice cannot be what the file holds
    // at that place: data that was never read (a null array), a length other
    // than `bytes`, or one that does not fit the file's size and the part's
    // position. An empty file (size 0, one part) gives the header and the
    // trailer only.
    static std::optional<YencEncoded> encodeSegment(const YencPart& part, const QByteArray& slice);

    // Appends `text` as UTF-8; false (and a console line) without a buffer.
    static bool appendString(const QString& text, QByteArray* data);

    // `text` with every control character (C0, DEL, C1, line and paragraph
    // separators) replaced by "_", so that a name or title can go into a
    // header line and never end it or start another.
    static QString headerSafeText(const QString& text);

    // The byte offset and the raw size of a part within its file.
    static qint64 partOffset(const YencPart& part);
    static qint64 expectedPartBytes(const YencPart& part);

    // Reads `length` bytes at `offset`; nothing unless all of them could be
    // read (a failed seek, a read error and a short read alike).
    static std::optional<QByteArray> readSlice(QFileDevice& file, qint64 offset, qint64 length);

    // zlib's CRC-32 (ISO 3309), and the CRC of a+b from those of a and b.
    static quint32 crc32(QByteArrayView data);
    static quint32 combineCrc(quint32 crcA, quint32 crcB, qint64 lengthB);
};
