#pragma once

#include "codec/DecodeRequest.h"
#include "codec/DecodeResult.h"
#include "codec/DecodeSink.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The uuencode decoder. The part's bodies, their dot-stuffing undone, are
// read as one text; decoding starts after the first "begin <mode> <name>"
// line and stops at the "end" line.
class NBUUDecode
{
public:
    // Decodes the part into `sink` when its text has a begin line; otherwise
    // writes nothing and reports NotThisEncoding. The name of the begin line
    // goes to the first segment.
    static DecodeResult decodeToFile(const DecodeRequest& request, DecodeSink& sink);
    static DecodeResult decodeToFile(const DecodeRequest& request);

    // The name of the first begin line of a text, as it stands; nullopt when
    // there is none.
    static std::optional<QByteArray> getFilenameFromData(QByteArrayView data);
    // A line "begin", white space, digits, white space, then the name (any
    // case), without its line break.
    static bool checkIfBeginLine(QByteArrayView line);
    // Decodes a uuencoded text from its begin line on; nullopt for a text of
    // fewer than 10 bytes.
    static std::optional<QByteArray> uudecodeFileData(QByteArrayView data);

private:
    static std::optional<QByteArrayView> beginLineName(QByteArrayView line);
};
