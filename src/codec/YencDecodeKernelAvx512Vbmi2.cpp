// The AVX-512 VBMI2 path of YencDecodeKernel: the kept bytes are packed with
// the byte compress instruction into a register and stored whole (the
// compress-to-memory form is slow on some processors).
#include "codec/YencDecodeKernel.h"

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

// clang ignores GCC's target pragma; its own attribute does the same.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC target("avx512f,avx512bw,avx512vbmi2,bmi,bmi2,popcnt")
#endif

#include "codec/YencDecodeKernelLoop.h"

namespace {

struct Avx512Vbmi2Ops
{
    struct Masks
    {
        u64 eq, cr, lf, dot;
    };

    static Masks scan(const u8* p)
    {
        const __m512i d = _mm512_loadu_si512(p);
        return {_mm512_cmpeq_epi8_mask(d, _mm512_set1_epi8('=')),
                _mm512_cmpeq_epi8_mask(d, _mm512_set1_epi8('\r')),
                _mm512_cmpeq_epi8_mask(d, _mm512_set1_epi8('\n')),
                _mm512_cmpeq_epi8_mask(d, _mm512_set1_epi8('.'))};
    }

    static u8* emit(const u8* p, u64 keep, u64 escaped, u8* o)
    {
        __m512i v = _mm512_sub_epi8(_mm512_loadu_si512(p), _mm512_set1_epi8(42));
        v = _mm512_mask_sub_epi8(v, escaped, v, _mm512_set1_epi8(64));
        _mm512_storeu_si512(o, _mm512_maskz_compress_epi8(keep, v));
        return o + __builtin_popcountll(keep);
    }
};

} // namespace

std::size_t YencDecodeKernel::decodeAvx512Vbmi2(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                                State& state)
{
    return decodeBlocks<Avx512Vbmi2Ops>(in, size, out, state);
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
