// yEnc decoding speed on random data cut into 750 KB article bodies: the
// kernel through each path this processor offers (MB/s of encoded input),
// the whole decoder (which checks each article's CRC-32), the check on
// arrival, and the CRC-32 alone: ISA-L's folded one and zlib's.
#include "codec/Crc32.h"
#include "codec/DeYenc.h"
#include "codec/YencDecodeKernel.h"

#include "support/ArticleFixtures.h"

#include <zlib.h>

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qsizetype kFileBytes = qsizetype(256) << 20;
constexpr qsizetype kPartBytes = 750000;
constexpr int kRounds = 5;

// Best of kRounds, in MB/s of `bytes`.
double measure(qint64 bytes, const std::function<void()>& run)
{
    double best = 0;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::max(best, double(bytes) / seconds / 1e6);
    }
    return best;
}

class NullSink : public DecodeSink
{
public:
    bool writeAt(qint64 offset, QByteArrayView data) override
    {
        end = std::max(end, offset + data.size());
        return true;
    }
    qint64 end = 0;
};

} // namespace

int main()
{
    const QByteArray file = ArticleFixtures::randomBytes(kFileBytes, 42);
    QList<QByteArray> bodies = ArticleFixtures::yencArticles(file, "bench.bin", kPartBytes);
    qint64 encodedBytes = 0;
    for (const QByteArray& b : bodies)
        encodedBytes += b.size();
    std::printf("%lld bytes in %lld bodies of %lld decoded bytes (%lld encoded bytes)\n",
                (long long)file.size(), (long long)bodies.size(), (long long)kPartBytes,
                (long long)encodedBytes);

    std::vector<std::uint8_t> out(size_t(bodies.front().size()) + 1);
    const YencDecodeKernel::Path paths[] = {YencDecodeKernel::Path::Scalar, YencDecodeKernel::Path::Avx2,
                                            YencDecodeKernel::Path::Avx512Bw,
                                            YencDecodeKernel::Path::Avx512Vbmi2};
    for (YencDecodeKernel::Path path : paths) {
        if (!YencDecodeKernel::isSupported(path)) {
            std::printf("kernel %-12s not supported here\n", YencDecodeKernel::nameOfPath(path));
            continue;
        }
        qint64 decoded = 0;
        const double mbs = measure(encodedBytes, [&] {
            decoded = 0;
            for (const QByteArray& b : bodies) {
                YencDecodeKernel::State state = YencDecodeKernel::State::Data;
                decoded +=
                    qint64(YencDecodeKernel::decode(path, reinterpret_cast<const std::uint8_t*>(b.data()),
                                                    size_t(b.size()), out.data(), state));
            }
        });
        std::printf("kernel %-12s %8.0f MB/s (%lld bytes out)\n", YencDecodeKernel::nameOfPath(path), mbs,
                    (long long)decoded);
    }
    std::printf("best path: %s\n", YencDecodeKernel::nameOfPath(YencDecodeKernel::bestPath()));

    // Each article states its pcrc32, so the decoder always checks it; the
    // second figure adds the CRC of the whole file.
    for (bool fileCrc : {false, true}) {
        const double mbs = measure(encodedBytes, [&] {
            DecodeRequest request;
            request.bodies = std::span<QByteArray>(bodies.data(), size_t(bodies.size()));
            request.computeCrc32 = fileCrc;
            NullSink sink;
            const DecodeResult r = DeYenc::decodeToFile(request, sink);
            if (!r.isDecoded() || sink.end != file.size()) std::printf("decode failed\n");
        });
        std::printf("DeYenc::decodeToFile, each article's CRC-32 checked%s %8.0f MB/s\n",
                    fileCrc ? ", and the file's" : "                 ", mbs);
    }
    const double check = measure(encodedBytes, [&] {
        for (const QByteArray& b : bodies)
            if (DeYenc::checkArticle(b) != DeYenc::ArticleCheck::Good) std::printf("check failed\n");
    });
    std::printf("DeYenc::checkArticle (the check on arrival) %8.0f MB/s\n", check);

    const double folded = measure(file.size(), [&] {
        volatile std::uint32_t c = Crc32::update(Crc32::initial(), file.data(), file.size());
        (void)c;
    });
    std::printf("Crc32::update (ISA-L, folded) %8.0f MB/s\n", folded);
    const double crc = measure(file.size(), [&] {
        volatile uLong c =
            crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(file.data()), uInt(file.size()));
        (void)c;
    });
    std::printf("zlib crc32 %8.0f MB/s (zlib %s)\n", crc, zlibVersion());
    return 0;
}
