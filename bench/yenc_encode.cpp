// yEnc encoding speed on one core, in MB/s of raw input: the body encoder's
// paths one by one, and whole articles (headers, body and zlib CRC-32) on
// the path the dispatch chooses. Slices of 384000 bytes, the default
// article size; random data (about 2.7 % escapes) and data that is all
// escapes.
#include "posting/Yenc.h"
#include "posting/YencBodyEncoder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>
#include <vector>

namespace {

constexpr qsizetype kSlice = 384000;

// Runs `step` until about 0.5 s have passed, three times; the best run.
template <typename F> double megabytesPerSecond(qint64 bytesPerStep, F step)
{
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        qint64 steps = 0;
        while (t.nsecsElapsed() < 500'000'000) {
            step();
            ++steps;
        }
        best = std::max(best, double(steps * bytesPerStep) / (double(t.nsecsElapsed()) / 1e9) / 1e6);
    }
    return best;
}

volatile size_t g_sink;

} // namespace

int main()
{
    QRandomGenerator rng(1);
    QByteArray random(kSlice, Qt::Uninitialized);
    for (qsizetype i = 0; i < kSlice; ++i)
        random[i] = char(rng.generate());
    QByteArray escapes(kSlice, '\xd6');
    std::vector<uint8_t> out(YencBodyEncoder::maxEncodedSize(size_t(kSlice)));

    std::printf("best path here: %s\n", YencBodyEncoder::pathName(YencBodyEncoder::bestPath()));
    std::printf("%-16s %14s %14s\n", "body encoder", "random MB/s", "escapes MB/s");
    for (YencBodyEncoder::Path p : YencBodyEncoder::supportedPaths()) {
        double figures[2];
        int i = 0;
        for (const QByteArray* data : {&random, &escapes}) {
            const auto* in = reinterpret_cast<const uint8_t*>(data->constData());
            figures[i++] = megabytesPerSecond(kSlice, [&] {
                int column = 0;
                size_t n = YencBodyEncoder::encode(p, in, size_t(kSlice), out.data(), column);
                n += YencBodyEncoder::finish(out.data() + n, column);
                g_sink = n;
            });
        }
        std::printf("%-16s %14.0f %14.0f\n", YencBodyEncoder::pathName(p), figures[0], figures[1]);
    }

    YencPart part;
    part.segnr = 2;
    part.segtotal = 3;
    part.fileBytes = 3 * kSlice;
    part.bytes = kSlice;
    part.filename = "bench.bin";
    double whole[2];
    int i = 0;
    for (const QByteArray* data : {&random, &escapes})
        whole[i++] = megabytesPerSecond(
            kSlice, [&] { g_sink = size_t(Yenc::encodeSegment(part, *data)->body.size()); });
    std::printf("%-16s %14.0f %14.0f\n", "whole article", whole[0], whole[1]);
    const double crc = megabytesPerSecond(kSlice, [&] { g_sink = Yenc::crc32(random); });
    std::printf("%-16s %14.0f\n", "zlib CRC-32", crc);
    return 0;
}
