#pragma once

#include "codec/DecodeRequest.h"
#include "codec/DecodeResult.h"
#include "codec/DecodeSink.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

// The yEnc decoder. Each segment's "=ybegin" (and "=ypart") line tells where
// its bytes go in the file; its encoded lines run up to its "=yend" line.
// Segments are placed by offset, so they may come in any order, a duplicate
// overwrites the same range, and a segment that cannot be decoded leaves its
// range untouched. An article is never guessed at: a header number that is
// not a plain number makes it undecodable, and an article of another file
// (its "=ybegin" size or name differs from the part's first article's, or
// its bytes run past the part's size) is left out. Each article is checked
// against the CRC-32 its "=yend" line states; one that fails is still
// placed (the PAR2 set may repair it), and reported.
class DeYenc
{
public:
    struct AttrPosition
    {
        qsizetype start; // where the key begins
        qsizetype end;   // where the end key begins
    };

    // What the header lines of one body say, and where its encoded lines are.
    struct Part
    {
        std::optional<QByteArray> name; // "name=" of the "=ybegin" line, as it stands
        qint64 fileposition = 0;        // "=ypart begin=" minus 1; 0 without "=ypart"
        qsizetype dataStart = 0;        // the CR LF that ends the last header line
        qsizetype dataEnd = 0;          // where "=yend" begins
        std::optional<qint64> size;     // "=ybegin size="
        std::optional<qint64> partBegin, partEnd;
        std::optional<std::uint32_t> pcrc32, crc32; // "=yend"
    };

    enum class ArticleCheck {
        NotChecked, // not a decodable yEnc article, or one that states no CRC
        Good,
        Mismatch,
    };

    // Decodes the part into `sink` when any body with data is yEnc; otherwise
    // writes nothing and reports NotThisEncoding.
    static DecodeResult decodeToFile(const DecodeRequest& request, DecodeSink& sink);
    // The same, the file assembled in the result's `data`.
    static DecodeResult decodeToFile(const DecodeRequest& request);

    // The body holds "=ybegin" (its first occurrence, followed somewhere by
    // CR LF) within its first 7 bytes or at the start of a line.
    static bool checkIfYenc(QByteArrayView body);

    // Reads the header lines of a body; nullopt (after its log line) when the
    // body cannot be decoded: no "=ybegin" line, a header line without its
    // line break, an unreadable "=ypart begin=", no "=yend", or no encoded
    // lines between them, or a header number that is not a plain number.
    static std::optional<Part> readPart(QByteArrayView body, const DecodeRequest& request);

    // The "=ybegin" size and name of a yEnc article; nullopt when it is not
    // one that can be decoded. Logs nothing.
    static std::optional<YencPartIdentity> identityOf(QByteArrayView body);

    // Decodes one downloaded article only to check it against the CRC-32 its
    // "=yend" line states ("pcrc32=", or "crc32=" of a post in one part).
    // Logs nothing. Any thread.
    static ArticleCheck checkArticle(QByteArrayView body);

    // The yEnc byte decoding of one range of encoded lines.
    static QByteArray deYenc(QByteArrayView encoded);

    // The bytes between the end of the first `startKey` and the first
    // `endKey` after it; nullopt when either is missing.
    static std::optional<QByteArray> getYencAttribute(QByteArrayView data, QByteArrayView startKey,
                                                      QByteArrayView endKey);
    // Where `startKey` (the first, or with `backwards` the last) and then
    // `endKey` (searched from the key to the end of the data, in the same
    // direction) are; nullopt when either is missing.
    static std::optional<AttrPosition> getYencAttrPosition(QByteArrayView data, QByteArrayView startKey,
                                                           QByteArrayView endKey, bool backwards);

private:
    struct Assembly;
    enum class SegmentOutcome { Placed, Skipped, WriteFailed };
    // `request` null: nothing is logged.
    static std::optional<Part> readPart(QByteArrayView body, const DecodeRequest* request);
    // Decodes the part's encoded lines into `out` (room for as many bytes as
    // they have, plus one); the count of bytes.
    static qint64 decodeArticle(QByteArrayView body, const Part& part, std::uint8_t* out);
    static std::optional<std::uint32_t> expectedCrc32Of(const Part& part);
    static SegmentOutcome decodeSegment(QByteArrayView body, const DecodeRequest& request, Assembly& assembly,
                                        DecodedSegment& segment);
};
