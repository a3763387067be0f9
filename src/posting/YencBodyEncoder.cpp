#include "posting/YencBodyEncoder.h"

#include "posting/YencBodyEncoderKernels.h"

namespace {

bool cpuHas(YencBodyEncoder::Path path)
{
    __builtin_cpu_init();
    switch (path) {
    case YencBodyEncoder::Path::Scalar:
        return true;
    case YencBodyEncoder::Path::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    case YencBodyEncoder::Path::Avx512Bw:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("popcnt");
    case YencBodyEncoder::Path::Avx512Vbmi2:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2") &&
               __builtin_cpu_supports("popcnt");
    }
    return false;
}

using Kernel = uint8_t* (*)(const uint8_t*, size_t, uint8_t*, int&);

uint8_t* scalarKernel(const uint8_t* in, size_t n, uint8_t* o, int& col)
{
    return yenc_kernels::encodeScalar(in, n, o, col);
}

Kernel kernelFor(YencBodyEncoder::Path path)
{
    switch (path) {
    case YencBodyEncoder::Path::Avx2:
        return yenc_kernels::encodeAvx2;
    case YencBodyEncoder::Path::Avx512Bw:
        return yenc_kernels::encodeAvx512Bw;
    case YencBodyEncoder::Path::Avx512Vbmi2:
        return yenc_kernels::encodeAvx512Vbmi2;
    case YencBodyEncoder::Path::Scalar:
        break;
    }
    return scalarKernel;
}

struct Dispatch
{
    QList<YencBodyEncoder::Path> supported;
    YencBodyEncoder::Path best = YencBodyEncoder::Path::Scalar;
    Kernel bestKernel = scalarKernel;
};

const Dispatch& dispatch()
{
    static const Dispatch d = [] {
        Dispatch r;
        for (auto p : {YencBodyEncoder::Path::Scalar, YencBodyEncoder::Path::Avx2,
                       YencBodyEncoder::Path::Avx512Bw, YencBodyEncoder::Path::Avx512Vbmi2}) {
            if (cpuHas(p)) r.supported.append(p);
        }
        // The byte-expanding path where there is one; otherwise AVX2, whose
        // 256-bit steps run as fast as AVX-512BW's shuffles on the
        // processors that lack VBMI2.
        if (r.supported.contains(YencBodyEncoder::Path::Avx512Vbmi2))
            r.best = YencBodyEncoder::Path::Avx512Vbmi2;
        else if (r.supported.contains(YencBodyEncoder::Path::Avx2))
            r.best = YencBodyEncoder::Path::Avx2;
        r.bestKernel = kernelFor(r.best);
        return r;
    }();
    return d;
}

} // namespace

QList<YencBodyEncoder::Path> YencBodyEncoder::supportedPaths()
{
    return dispatch().supported;
}

YencBodyEncoder::Path YencBodyEncoder::bestPath()
{
    return dispatch().best;
}

const char* YencBodyEncoder::pathName(Path path)
{
    switch (path) {
    case Path::Scalar:
        return "scalar";
    case Path::Avx2:
        return "AVX2";
    case Path::Avx512Bw:
        return "AVX-512BW";
    case Path::Avx512Vbmi2:
        return "AVX-512 VBMI2";
    }
    return "?";
}

size_t YencBodyEncoder::maxEncodedSize(size_t n)
{
    // Every byte escaped, a line end per 64 input bytes and one more, and
    // the room a vector step writes past its characters.
    return 2 * n + 2 * (n / 64 + 2) + 256;
}

size_t YencBodyEncoder::encode(const uint8_t* in, size_t n, uint8_t* out, int& column)
{
    return size_t(dispatch().bestKernel(in, n, out, column) - out);
}

size_t YencBodyEncoder::encode(Path path, const uint8_t* in, size_t n, uint8_t* out, int& column)
{
    // A path the processor lacks would fault; the scalar one gives the same
    // bytes.
    const Kernel k = dispatch().supported.contains(path) ? kernelFor(path) : scalarKernel;
    return size_t(k(in, n, out, column) - out);
}

size_t YencBodyEncoder::finish(uint8_t* out, int& column)
{
    if (column == 0) return 0;
    out[0] = '\r';
    out[1] = '\n';
    column = 0;
    return 2;
}
