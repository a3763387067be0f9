#pragma once

#include "codec/DecodeRequest.h"
#include "codec/DecodeSink.h"

#include "support/TempHome.h"

#include <QFile>
#include <QList>

#include <map>
#include <vector>

// Shared by the decoder tests: a request over a list of bodies, the log text,
// and a sink that records every write.
struct DecoderFixture
{
    TempHome home;
    QList<QByteArray> bodies;

    DecodeRequest request(QList<QByteArray> list)
    {
        bodies = std::move(list);
        DecodeRequest r;
        r.bodies = std::span<QByteArray>(bodies.data(), size_t(bodies.size()));
        r.partFilename = QStringLiteral("part.bin");
        r.jobTitle = QStringLiteral("Job title");
        return r;
    }

    QString log() const
    {
        QFile f(home.logFilePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

// Records every write; refuses them from the `failAfter`-th on.
class RecordingSink : public DecodeSink
{
public:
    struct Write
    {
        qint64 offset;
        qint64 size;
    };

    explicit RecordingSink(int failAfter = -1) : failAfter_(failAfter) {}

    void expectSize(qint64 bytes) override { expected.push_back(bytes); }
    bool writeAt(qint64 offset, QByteArrayView data) override
    {
        if (failAfter_ >= 0 && int(writes.size()) >= failAfter_) return false;
        writes.push_back({offset, data.size()});
        if (offset + data.size() > file.size()) file.resize(offset + data.size(), '\0');
        file.replace(offset, data.size(), data.toByteArray());
        return true;
    }
    QString errorString() const override { return QStringLiteral("disk full"); }

    std::vector<Write> writes;
    std::vector<qint64> expected;
    QByteArray file;

private:
    int failAfter_;
};
