#pragma once

// Pieces shared by the code paths of YencBodyEncoder. Plain C++ with no
// target of its own, so that each vector path inlines them under its own.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <immintrin.h>

namespace yenc_kernels {

constexpr int kLine = 128;

// Escaped output characters (after the shift by 42).
constexpr bool isCritical(uint8_t c)
{
    return c == 0x00 || c == 0x09 || c == 0x0A || c == 0x0D || c == 0x20 || c == 0x2E || c == 0x3D;
}

inline uint64_t lowBits(unsigned k)
{
    return k >= 64 ? ~uint64_t(0) : (uint64_t(1) << k) - 1;
}

constexpr struct CriticalTable
{
    uint8_t escaped[256];
    constexpr CriticalTable() : escaped{}
    {
        for (int c = 0; c < 256; ++c)
            escaped[c] = isCritical(uint8_t(c)) ? 1 : 0;
    }
} kCriticalTable;

// One byte the scalar way, ending the line when it is full. Written without
// a branch on the escape: both characters are stored, the pointer moves on
// by one or two.
inline __attribute__((always_inline)) uint8_t* encodeByte(uint8_t b, uint8_t* o, int& col)
{
    const uint8_t c = uint8_t(b + 42);
    const int e = kCriticalTable.escaped[c];
    o[0] = e ? uint8_t('=') : c;
    o[1] = uint8_t(c + 64);
    o += 1 + e;
    col += 1 + e;
    if (col >= kLine) {
        o[0] = '\r';
        o[1] = '\n';
        o += 2;
        col = 0;
    }
    return o;
}

inline uint8_t* encodeScalar(const uint8_t* in, size_t n, uint8_t* o, int& col)
{
    // A local column: the output bytes may alias the caller's int, which
    // would have it stored and loaded again for every byte.
    int c = col;
    for (size_t i = 0; i < n; ++i)
        o = encodeByte(in[i], o, c);
    col = c;
    return o;
}

// A chunk of input whose escape mask is `m` (bit i: input byte i is
// escaped) has been written at `o`, `len` characters long, onto a line
// holding `col` characters. Ends the line inside the chunk where it fills
// up: the first input byte after which the line holds 128 or more. The rest
// of the chunk moves two bytes on to make room for CR LF.
inline __attribute__((always_inline)) uint8_t* placeChunk(uint8_t* o, unsigned len, uint64_t m, int& col)
{
    if (unsigned(col) + len < unsigned(kLine)) {
        col += int(len);
        return o + len;
    }
    // The fewest input bytes k whose output k + escapes(k) reaches `need`;
    // that output is increasing, and starting from need minus the escapes
    // among the first `need` bytes never overshoots the answer.
    const unsigned need = unsigned(kLine - col);
    int k = int(need) - __builtin_popcountll(m & lowBits(need));
    if (k < 1) k = 1;
    while (unsigned(k + __builtin_popcountll(m & lowBits(unsigned(k)))) < need)
        ++k;
    const unsigned used = unsigned(k + __builtin_popcountll(m & lowBits(unsigned(k))));
    const unsigned tail = len - used;
    std::memmove(o + used + 2, o + used, tail);
    o[used] = '\r';
    o[used + 1] = '\n';
    col = int(tail);
    return o + len + 2;
}

// For a group of 8 input bytes with escape mask g: a byte shuffle that
// spreads the 8 bytes over 8 + popcount(g) places, leaving a zero before
// each escaped one, and the "=" bytes to put into those places.
struct GroupTable
{
    alignas(16) uint8_t shuffle[256][16];
    alignas(16) uint8_t equals[256][16];
    uint8_t length[256];
};

inline const GroupTable& groupTable()
{
    static const GroupTable table = [] {
        GroupTable t{};
        for (int g = 0; g < 256; ++g) {
            int p = 0;
            std::memset(t.shuffle[g], 0x80, 16);
            for (int b = 0; b < 8; ++b) {
                if (g & (1 << b)) {
                    t.equals[g][p] = '=';
                    ++p;
                }
                t.shuffle[g][p] = uint8_t(b);
                ++p;
            }
            t.length[g] = uint8_t(p);
        }
        return t;
    }();
    return table;
}

// 16 shifted bytes (escaped ones already + 64) with escape mask m16 to `o`;
// returns the characters written.
__attribute__((target("ssse3"), always_inline)) inline unsigned spread16(__m128i v, unsigned m16, uint8_t* o)
{
    if (m16 == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
        return 16;
    }
    const GroupTable& t = groupTable();
    const unsigned g0 = m16 & 0xFF, g1 = m16 >> 8;
    const __m128i s0 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.shuffle[g0]));
    const __m128i s1 =
        _mm_add_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(t.shuffle[g1])), _mm_set1_epi8(8));
    const __m128i r0 =
        _mm_or_si128(_mm_shuffle_epi8(v, s0), _mm_load_si128(reinterpret_cast<const __m128i*>(t.equals[g0])));
    const __m128i r1 =
        _mm_or_si128(_mm_shuffle_epi8(v, s1), _mm_load_si128(reinterpret_cast<const __m128i*>(t.equals[g1])));
    const unsigned n0 = t.length[g0];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), r0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + n0), r1);
    return n0 + t.length[g1];
}

// The vector paths; each is only called where the processor has it.
uint8_t* encodeAvx2(const uint8_t* in, size_t n, uint8_t* o, int& col);
uint8_t* encodeAvx512Bw(const uint8_t* in, size_t n, uint8_t* o, int& col);
uint8_t* encodeAvx512Vbmi2(const uint8_t* in, size_t n, uint8_t* o, int& col);

} // namespace yenc_kernels
