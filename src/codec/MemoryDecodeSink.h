#pragma once

#include "codec/DecodeRequest.h"
#include "codec/DecodeResult.h"
#include "codec/DecodeSink.h"

#include <QByteArray>

#include <utility>

// Assembles the decoded file in one byte buffer, by offset: a write beyond
// the end grows the buffer, the bytes between zero.
class MemoryDecodeSink : public DecodeSink
{
public:
    MemoryDecodeSink();

    void expectSize(qint64 bytes) override;
    bool writeAt(qint64 offset, QByteArrayView data) override;
    // Memory never runs out here; only an offset before the file fails.
    QString errorString() const override { return QStringLiteral("an offset before the start of the file"); }

    const QByteArray& data() const { return data_; }
    QByteArray takeData() { return std::move(data_); }

    // Runs `decodeToFile(request, sink)` of a decoder into memory and hands
    // the file back in the result's `data`.
    template <class Decoder> static DecodeResult decodeInMemory(const DecodeRequest& request)
    {
        MemoryDecodeSink sink;
        DecodeResult result = Decoder::decodeToFile(request, sink);
        if (result.isDecoded()) result.data = sink.takeData();
        return result;
    }

private:
    QByteArray data_;
};
