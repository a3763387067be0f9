#pragma once

#include "codec/YencPartIdentity.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <span>

// What a decoder is handed for one file part: the raw article bodies of its
// segments in segment order, exactly as the news server sent them after the
// status line (lines ending in CR LF, a leading dot doubled, up to and
// including the terminating "." line). An empty body stands for an article
// that never arrived.
struct DecodeRequest
{
    std::span<QByteArray> bodies;
    // The part's file name and its job's title, for log lines.
    QString partFilename;
    QString jobTitle;
    // Asked before each segment; true stops the decoding (the job was
    // cancelled). May be empty.
    std::function<bool()> isCancelled;
    // The file part's byte count (the NZB's bytes of its articles); 0 when
    // unknown. It bounds how large a file the headers may claim.
    qint64 partBytes = 0;
    // The largest body of the part among those decoded earlier (a part
    // decoded in several runs): the bound on the file size stays the one
    // that all its bodies give, whichever of them a run is handed.
    qint64 largestBodyBefore = 0;
    // The part's article count, when the bodies handed are only some of
    // them (one article decoded as it arrives): the bound counts them all.
    qint64 articleCount = 0;
    // Clear each body once the decoder is done with it, so that a part's
    // memory is the bodies not yet decoded. A decoder that finds the bodies
    // are not in its encoding leaves them untouched.
    bool releaseBodies = false;
    // Compute CRC-32 values of the decoded data (the whole file's, and each
    // segment's). A yEnc article that states its own CRC is checked whatever
    // this says.
    bool computeCrc32 = true;
    // yEnc: the identity of the part's first decoded article, when an
    // earlier run decoded it (articles decoded as they arrive). Without it
    // the first article this run decodes sets it.
    std::optional<YencPartIdentity> yencIdentity;

    bool cancelled() const { return isCancelled && isCancelled(); }
};
