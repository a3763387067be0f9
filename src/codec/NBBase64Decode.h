#pragma once

#include "codec/DecodeRequest.h"
#include "codec/DecodeResult.h"
#include "codec/DecodeSink.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The Base64 decoder, for MIME-style posts of a JPEG image: the text (the
// bodies, their dot-stuffing undone, read as one) must carry a name attribute
// and the Base64 form of the JPEG start "/9j/"; the Base64 text runs from
// there to the first byte outside its alphabet. Other Base64 bodies fall
// through to the text decoder.
class NBBase64Decode
{
public:
    static DecodeResult decodeToFile(const DecodeRequest& request, DecodeSink& sink);
    static DecodeResult decodeToFile(const DecodeRequest& request);

    // The value of the first `name="..."` or `filename="..."` attribute, as
    // it stands (up to the last quote of its line); nullopt when there is none.
    static std::optional<QByteArray> getFilenameFromData(QByteArrayView data);
    // The decoded image: the Base64 text from the first "/9j/" on; nullopt
    // without one.
    static std::optional<QByteArray> DecodeData(QByteArrayView data);
    // The Base64 text at the start of `data`: its alphabet's bytes up to the
    // first byte that is neither in it nor CR or LF.
    static QByteArray deCode(QByteArrayView data);
    // Standard Base64 decoding; bytes outside the alphabet are ignored.
    static QByteArray decodeB64Segment(QByteArrayView text);

private:
    static std::optional<QByteArrayView> nameInLine(QByteArrayView line);
};
