#pragma once

#include "codec/YencPartIdentity.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

enum class DecodeOutcome {
    Decoded,         // the part was in this encoding; its bytes went to the sink
    NotThisEncoding, // nothing was written; the next decoder may try
    Cancelled,       // the job was cancelled while decoding
    WriteFailed,     // the sink refused a write
};

// What became of one segment (one body) of the part.
struct DecodedSegment
{
    bool placed = false;      // its decoded bytes went to the sink
    qint64 fileposition = -1; // where in the file they went (yEnc and text)
    qint64 length = 0;        // how many
    std::uint32_t crc32 = 0;  // CRC-32 of those bytes, when computed
    // The file name its data carries, reduced to one safe path component;
    // empty when it has none.
    QString filename;
    // yEnc: the part's CRC-32 as its "=yend" line states it ("pcrc32=", or
    // "crc32=" of a post in one part).
    std::optional<std::uint32_t> expectedCrc32;
    // yEnc: the decoded bytes differ from the CRC-32 the article states; they
    // were placed all the same (the PAR2 set may still repair them).
    bool crcMismatch = false;
    // yEnc: an article of another file (its "=ybegin" size or name differs
    // from the part's first article's, or its bytes run past the part's
    // size); nothing of it was written.
    bool foreign = false;
};

struct DecodeResult
{
    DecodeOutcome outcome = DecodeOutcome::NotThisEncoding;
    // The name for the file: the first segment's name that there is, as one
    // safe path component; empty when the data names none.
    QString filename;
    // The end of the furthest byte written.
    qint64 fileSize = 0;
    // yEnc: the file size and the file's CRC-32 as the headers state them.
    std::optional<qint64> declaredSize;
    std::optional<std::uint32_t> declaredCrc32;
    // yEnc: the identity the part's articles were held to.
    std::optional<YencPartIdentity> yencIdentity;
    // CRC-32 of the whole file, when computed and when the written bytes
    // cover it from offset 0 without a gap.
    std::optional<std::uint32_t> fileCrc32;
    // One entry per body, in the request's order.
    std::vector<DecodedSegment> segments;
    // The decoded file, filled only by the in-memory decodeToFile.
    QByteArray data;

    bool isDecoded() const { return outcome == DecodeOutcome::Decoded; }
};
