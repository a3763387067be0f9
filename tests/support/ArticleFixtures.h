#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>

// Article bodies as a news server sends them (dot-stuffed, ending in the
// "." line), built from file data: yEnc, uuencode, MIME Base64 and plain text.
// The download tests use them as the articles their scripted servers serve.
class ArticleFixtures
{
public:
    // NNTP transfer form of a text: a leading dot of every line doubled, CR LF
    // added when the text does not end with one, then the "." line.
    static QByteArray dotStuff(QByteArrayView content);

    // yEnc encoding (critical bytes NUL, LF, CR and "=" escaped; with
    // `escapeLeadingDot` also a "." at a line start, so that no line needs
    // dot-stuffing). Lines of `lineLength` characters, each ending in CR LF.
    static QByteArray yencEncode(QByteArrayView data, int lineLength = 128, bool escapeLeadingDot = false);

    struct YencPart
    {
        QByteArray name = "file.bin";
        qint64 fileSize = 0; // "=ybegin size="
        int part = 0;        // 0: a post in one part, without "=ypart"
        int total = 1;
        qint64 begin = 1; // "=ypart begin=", 1-based
        int lineLength = 128;
        bool escapeLeadingDot = false;
    };
    // One yEnc article body holding `data` as `part`, with its "=ybegin",
    // "=ypart" and "=yend" lines (pcrc32, and crc32 of `fileCrc` when given),
    // dot-stuffed.
    static QByteArray yencBody(QByteArrayView data, const YencPart& part,
                               const std::uint32_t* fileCrc = nullptr);
    // A whole file cut into yEnc article bodies of `partBytes` decoded bytes.
    static QList<QByteArray> yencArticles(QByteArrayView file, const QByteArray& name, qsizetype partBytes,
                                          int lineLength = 128);

    // A uuencoded text: "begin <mode> <name>", lines of 45 bytes ("M" lines),
    // the "`" line and "end", each line ending in CR LF.
    static QByteArray uuencodeText(QByteArrayView data, const QByteArray& name,
                                   const QByteArray& mode = "644");
    // A MIME-style text of a JPEG (or any) image: headers with
    // `name="<name>"`, a blank line, Base64 lines of 76 characters.
    static QByteArray base64MimeText(QByteArrayView data, const QByteArray& name);
    // A text cut into article bodies of `linesPerBody` lines, each body
    // dot-stuffed.
    static QList<QByteArray> splitIntoBodies(QByteArrayView text, int linesPerBody);

    static std::uint32_t crc32Of(QByteArrayView data);
    // Bytes from a fixed-seed generator.
    static QByteArray randomBytes(qsizetype size, std::uint32_t seed);
    // A body shaped like a yEnc one for the wire: lines of 128 random bytes
    // other than NUL, CR and LF, each ended by CRLF, until at least `size`
    // bytes; the same for the same seed.
    static QByteArray yencLikeBody(qsizetype size, std::uint32_t seed);
};
