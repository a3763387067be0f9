// The AVX-512 paths of YencBodyEncoder, 64 input bytes per step with the
// escape test in mask registers. AVX-512BW spreads escapes by byte shuffles
// 8 bytes at a time; VBMI2 expands 32 bytes at once into their places.
#include "posting/YencBodyEncoderKernels.h"

#include <immintrin.h>

// GCC 12's AVX-512 headers build their "undefined" vectors from themselves,
// which -Wmaybe-uninitialized reports at every use (GCC bug 105593).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// clang ignores GCC's target pragma; its own attribute does the same.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,popcnt")
#endif

namespace yenc_kernels {

namespace {

inline __mmask64 criticalMask512(__m512i c)
{
    const __m512i lo = _mm512_broadcast_i32x4(_mm_setr_epi8(3, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 5, 2, 0));
    const __m512i hi = _mm512_broadcast_i32x4(_mm_setr_epi8(1, 0, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    const __m512i nibble = _mm512_set1_epi8(0x0F);
    const __m512i l = _mm512_shuffle_epi8(lo, _mm512_and_si512(c, nibble));
    const __m512i h = _mm512_shuffle_epi8(hi, _mm512_and_si512(_mm512_srli_epi16(c, 4), nibble));
    return _mm512_test_epi8_mask(l, h);
}

} // namespace

uint8_t* encodeAvx512Bw(const uint8_t* in, size_t n, uint8_t* o, int& col)
{
    const __m512i k42 = _mm512_set1_epi8(42);
    const __m512i k64 = _mm512_set1_epi8(64);
    size_t i = 0;
    while (i + 64 <= n) {
        const __m512i c = _mm512_add_epi8(_mm512_loadu_si512(in + i), k42);
        const __mmask64 m = criticalMask512(c);
        const __m512i v = _mm512_mask_add_epi8(c, m, c, k64);
        unsigned len;
        if (m == 0) {
            _mm512_storeu_si512(o, v);
            len = 64;
        } else {
            len = spread16(_mm512_castsi512_si128(v), unsigned(m & 0xFFFF), o);
            len += spread16(_mm512_extracti32x4_epi32(v, 1), unsigned((m >> 16) & 0xFFFF), o + len);
            len += spread16(_mm512_extracti32x4_epi32(v, 2), unsigned((m >> 32) & 0xFFFF), o + len);
            len += spread16(_mm512_extracti32x4_epi32(v, 3), unsigned(m >> 48), o + len);
        }
        o = placeChunk(o, len, m, col);
        i += 64;
    }
    return encodeScalar(in + i, n - i, o, col);
}

} // namespace yenc_kernels

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

// clang ignores GCC's target pragma; its own attribute does the same.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vbmi2,bmi2,popcnt")
#endif

namespace yenc_kernels {

namespace {

// Output places of 32 input bytes with escape mask m: each byte takes one
// place, an escaped one two, the first of which gets "=". The places of the
// bytes themselves, as a mask over the (32 + popcount(m)) characters: lay
// out "escape?, byte" pairs as bit pairs and squeeze out the unused halves.
inline uint64_t bytePlaces(uint32_t m)
{
    constexpr uint64_t kOdd = 0xAAAAAAAAAAAAAAAAull, kEven = 0x5555555555555555ull;
    return _pext_u64(kOdd, kOdd | _pdep_u64(m, kEven));
}

} // namespace

uint8_t* encodeAvx512Vbmi2(const uint8_t* in, size_t n, uint8_t* o, int& col)
{
    const __m512i k42 = _mm512_set1_epi8(42);
    const __m512i k64 = _mm512_set1_epi8(64);
    const __m512i equals = _mm512_set1_epi8('=');
    size_t i = 0;
    while (i + 64 <= n) {
        const __m512i c = _mm512_add_epi8(_mm512_loadu_si512(in + i), k42);
        const __mmask64 m = criticalMask512(c);
        const __m512i v = _mm512_mask_add_epi8(c, m, c, k64);
        unsigned len;
        if (m == 0) {
            _mm512_storeu_si512(o, v);
            len = 64;
        } else {
            const uint32_t m0 = uint32_t(m), m1 = uint32_t(m >> 32);
            _mm512_storeu_si512(o, _mm512_mask_expand_epi8(equals, bytePlaces(m0), v));
            len = 32 + unsigned(__builtin_popcount(m0));
            const __m512i upper = _mm512_shuffle_i64x2(v, v, 0xEE);
            _mm512_storeu_si512(o + len, _mm512_mask_expand_epi8(equals, bytePlaces(m1), upper));
            len += 32 + unsigned(__builtin_popcount(m1));
        }
        o = placeChunk(o, len, m, col);
        i += 64;
    }
    return encodeScalar(in + i, n - i, o, col);
}

} // namespace yenc_kernels

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
