// The AVX2 path of YencBodyEncoder: 32 input bytes per step; the escape test
// by two nibble look-ups; escapes spread by byte shuffles, 8 bytes at a time.
#include "posting/YencBodyEncoderKernels.h"

#include <immintrin.h>

// clang ignores GCC's target pragma; its own attribute does the same.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,popcnt")
#endif

namespace yenc_kernels {

namespace {

// Escaped characters by nibbles: the low nibble's bits name the high
// nibbles it is critical with (bit 0: 0x0_, bit 1: 0x2_, bit 2: 0x3_).
inline __m256i criticalMask256(__m256i c)
{
    const __m256i lo = _mm256_setr_epi8(3, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 5, 2, 0, //
                                        3, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 5, 2, 0);
    const __m256i hi = _mm256_setr_epi8(1, 0, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, //
                                        1, 0, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i l = _mm256_shuffle_epi8(lo, _mm256_and_si256(c, nibble));
    const __m256i h = _mm256_shuffle_epi8(hi, _mm256_and_si256(_mm256_srli_epi16(c, 4), nibble));
    return _mm256_xor_si256(_mm256_cmpeq_epi8(_mm256_and_si256(l, h), _mm256_setzero_si256()),
                            _mm256_set1_epi8(-1));
}

} // namespace

uint8_t* encodeAvx2(const uint8_t* in, size_t n, uint8_t* o, int& col)
{
    const __m256i k42 = _mm256_set1_epi8(42);
    const __m256i k64 = _mm256_set1_epi8(64);
    size_t i = 0;
    while (i + 32 <= n) {
        const __m256i c = _mm256_add_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)), k42);
        const __m256i critical = criticalMask256(c);
        const uint32_t m = uint32_t(_mm256_movemask_epi8(critical));
        const __m256i v = _mm256_add_epi8(c, _mm256_and_si256(critical, k64));
        unsigned len;
        if (m == 0) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), v);
            len = 32;
        } else {
            len = spread16(_mm256_castsi256_si128(v), m & 0xFFFF, o);
            len += spread16(_mm256_extracti128_si256(v, 1), m >> 16, o + len);
        }
        o = placeChunk(o, len, m, col);
        i += 32;
    }
    return encodeScalar(in + i, n - i, o, col);
}

} // namespace yenc_kernels

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
