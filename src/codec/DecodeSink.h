#pragma once

#include <QByteArrayView>
#include <QString>

// Where decoded bytes go, segment by segment, so that a file part never needs
// its whole decoded content in memory at once.
class DecodeSink
{
public:
    virtual ~DecodeSink() = default;

    // Before the first write, when the headers state the file's size (already
    // bounded to what the part can hold): a sink may reserve for it.
    virtual void expectSize(qint64 bytes) { (void)bytes; }
    // Writes `data` at `offset` of the file. Bytes never written read as
    // zero. Returns false when the bytes could not be stored; the decoding
    // then stops.
    virtual bool writeAt(qint64 offset, QByteArrayView data) = 0;
    // Why the last write failed, for the log.
    virtual QString errorString() const { return {}; }
};
