// The AVX-512BW path of YencDecodeKernel: masks from 64-byte compares,
// compaction by byte shuffles (no compress instruction in AVX-512BW).
#include "codec/YencDecodeKernel.h"

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

// clang ignores GCC's target pragma; its own attribute does the same.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2,popcnt")
#endif

#include "codec/YencDecodeKernelCompact.h"
#include "codec/YencDecodeKernelLoop.h"

namespace {

struct Avx512BwOps
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

    // The output side works on 256-bit halves with AVX-512VL masking, which
    // keeps GCC 12 from warning about the undefined upper bits its 512-bit
    // lane extracts use.
    static u8* emit(const u8* p, u64 keep, u64 escaped, u8* o)
    {
        const __m256i k42 = _mm256_set1_epi8(42);
        const __m256i k64 = _mm256_set1_epi8(64);
        for (unsigned half = 0; half < 2; ++half) {
            __m256i v =
                _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * half)), k42);
            v = _mm256_mask_sub_epi8(v, __mmask32(escaped >> (32 * half)), v, k64);
            const auto k = std::uint32_t(keep >> (32 * half));
            o = compact16(_mm256_castsi256_si128(v), k & 0xFFFF, o);
            o = compact16(_mm256_extracti128_si256(v, 1), k >> 16, o);
        }
        return o;
    }
};

} // namespace

std::size_t YencDecodeKernel::decodeAvx512Bw(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                             State& state)
{
    return decodeBlocks<Avx512BwOps>(in, size, out, state);
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
