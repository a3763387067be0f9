#pragma once

#include "codec/DecodeRequest.h"
#include "codec/DecodeResult.h"
#include "codec/DecodeSink.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

// The writing pass of the decoders that read a part's bodies as one text
// (uuencode, Base64): every line, in order and across body ends, goes to the
// decoder's own line step; the decoded bytes go to the sink from offset 0 in
// pieces of about 256 KiB, with the file's CRC-32 when the request asks for
// it. The request's cancel flag is looked at once for every body reached.
// The decoder has found its start (and set the result's name and segments)
// before the pass: nothing is written or released before that is known.
class WholeFileDecodePass
{
public:
    // Decodes `line` (without its LF; `number` counts from 0 over all bodies)
    // onto the end of `out`; false ends the text (the bytes of that line
    // already appended are kept).
    using LineStep = std::function<bool(QByteArrayView line, qint64 number, QByteArray& out)>;

    // Fills in the outcome (Decoded, Cancelled or WriteFailed), the file
    // size and the CRC; releases the bodies when asked once all went well.
    static void run(const DecodeRequest& request, DecodeSink& sink, DecodeResult& result,
                    const LineStep& step);
};
