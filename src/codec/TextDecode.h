#pragma once

#include "codec/DecodeRequest.h"
#include "codec/DecodeResult.h"
#include "codec/DecodeSink.h"

#include <QByteArrayView>

// The catch-all: the part's bodies as text, one after the other, each with
// its dot-stuffing undone and its terminating line removed; the line break
// before the last body's terminating line goes too. It decodes every part
// (only a refused write stops it) and names no file.
class TextDecode
{
public:
    static DecodeResult decodeToFile(const DecodeRequest& request, DecodeSink& sink);
    static DecodeResult decodeToFile(const DecodeRequest& request);

    // Where a final "\r\n.\r\n" begins when the data ends with it; -1 when it
    // does not.
    static qsizetype searchEOFInData(QByteArrayView data);
};
