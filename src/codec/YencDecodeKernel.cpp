#include "codec/YencDecodeKernel.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "codec/YencDecodeKernelLoop.h"

std::size_t YencDecodeKernel::decodeScalar(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                           State& state)
{
    return scalarDecode(in, size, out, state);
}

bool YencDecodeKernel::isSupported(Path path)
{
    switch (path) {
    case Path::Scalar:
        return true;
    case Path::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
               __builtin_cpu_supports("popcnt");
    case Path::Avx512Bw:
        return isSupported(Path::Avx2) && __builtin_cpu_supports("avx512f") &&
               __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    case Path::Avx512Vbmi2:
        return isSupported(Path::Avx512Bw) && __builtin_cpu_supports("avx512vbmi2");
    }
    return false;
}

YencDecodeKernel::Path YencDecodeKernel::bestPath()
{
    static const Path best = [] {
        for (Path p : {Path::Avx512Vbmi2, Path::Avx512Bw, Path::Avx2})
            if (isSupported(p)) return p;
        return Path::Scalar;
    }();
    return best;
}

const char* YencDecodeKernel::nameOfPath(Path path)
{
    switch (path) {
    case Path::Scalar:
        return "scalar";
    case Path::Avx2:
        return "avx2";
    case Path::Avx512Bw:
        return "avx512bw";
    case Path::Avx512Vbmi2:
        return "avx512vbmi2";
    }
    return "?";
}

std::size_t YencDecodeKernel::decode(Path path, const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                     State& state)
{
    switch (isSupported(path) ? path : Path::Scalar) {
    case Path::Avx512Vbmi2:
        return decodeAvx512Vbmi2(in, size, out, state);
    case Path::Avx512Bw:
        return decodeAvx512Bw(in, size, out, state);
    case Path::Avx2:
        return decodeAvx2(in, size, out, state);
    case Path::Scalar:
        break;
    }
    return decodeScalar(in, size, out, state);
}

std::size_t YencDecodeKernel::decode(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                     State& state)
{
    static const Path best = bestPath();
    return decode(best, in, size, out, state);
}

std::size_t YencDecodeKernel::finish(State& state, std::uint8_t* out)
{
    const State st = state;
    state = State::Data;
    switch (st) {
    case State::CR:
        *out = kDecodedCR;
        return 1;
    case State::CRLFDot:
        *out = kDecodedDot;
        return 1;
    case State::Data:
    case State::Escape:
    case State::CRLF:
        break;
    }
    return 0;
}
