#pragma once

#include "codec/DecodeSink.h"

#include <functional>
#include <utility>

// A sink that hands every write to a function (a positional write into the
// file, for instance).
class CallbackDecodeSink : public DecodeSink
{
public:
    using WriteAt = std::function<bool(qint64 offset, QByteArrayView data)>;

    explicit CallbackDecodeSink(WriteAt writeAt) : writeAt_(std::move(writeAt)) {}

    bool writeAt(qint64 offset, QByteArrayView data) override { return writeAt_(offset, data); }

private:
    WriteAt writeAt_;
};
