// The AVX2 path of YencDecodeKernel. Only standard headers come before the
// target pragma, so nothing with external linkage is compiled for AVX2 here
// except the path itself.
#include "codec/YencDecodeKernel.h"

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

// clang ignores GCC's target pragma; its own attribute does the same.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC target("avx2,bmi,bmi2,popcnt")
#endif

#include "codec/YencDecodeKernelCompact.h"
#include "codec/YencDecodeKernelLoop.h"

namespace {

struct Avx2Ops
{
    struct Masks
    {
        u64 eq, cr, lf, dot;
    };

    static u64 mask(__m256i a, __m256i b, char c)
    {
        const __m256i k = _mm256_set1_epi8(c);
        const auto lo = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, k)));
        const auto hi = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, k)));
        return u64(lo) | (u64(hi) << 32);
    }

    static Masks scan(const u8* p)
    {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        return {mask(a, b, '='), mask(a, b, '\r'), mask(a, b, '\n'), mask(a, b, '.')};
    }

    // 0xFF in every byte whose bit is set in m.
    static __m256i expand(std::uint32_t m)
    {
        const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2,
                                                2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3);
        const __m256i bits = _mm256_set1_epi64x(std::int64_t(0x8040201008040201ULL));
        const __m256i v = _mm256_shuffle_epi8(_mm256_set1_epi32(int(m)), spread);
        return _mm256_cmpeq_epi8(_mm256_and_si256(v, bits), bits);
    }

    static u8* emit(const u8* p, u64 keep, u64 escaped, u8* o)
    {
        const __m256i k42 = _mm256_set1_epi8(42);
        const __m256i k64 = _mm256_set1_epi8(64);
        for (unsigned half = 0; half < 2; ++half) {
            const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * half));
            __m256i v = _mm256_sub_epi8(d, k42);
            v = _mm256_sub_epi8(v, _mm256_and_si256(expand(std::uint32_t(escaped >> (32 * half))), k64));
            const auto k = std::uint32_t(keep >> (32 * half));
            o = compact16(_mm256_castsi256_si128(v), k & 0xFFFF, o);
            o = compact16(_mm256_extracti128_si256(v, 1), k >> 16, o);
        }
        return o;
    }
};

} // namespace

std::size_t YencDecodeKernel::decodeAvx2(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                         State& state)
{
    return decodeBlocks<Avx2Ops>(in, size, out, state);
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
