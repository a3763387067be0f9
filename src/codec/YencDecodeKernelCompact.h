// Compaction of 16 decoded bytes by a table of byte shuffles, for the SIMD
// paths without a compress instruction. Included after a "#pragma GCC target"
// that enables SSSE3 or more, and after <immintrin.h>; internal linkage only.

namespace {

struct CompactTable
{
    // For each 8-bit keep mask, the positions of its set bits, in order.
    alignas(64) std::uint8_t low[256][8];
    // The same plus 8, for the upper half of a 16-byte register.
    alignas(64) std::uint8_t high[256][8];
};

constexpr CompactTable makeCompactTable()
{
    CompactTable t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned k = 0;
        for (unsigned b = 0; b < 8; ++b)
            if (m & (1u << b)) {
                t.low[m][k] = std::uint8_t(b);
                t.high[m][k] = std::uint8_t(b + 8);
                ++k;
            }
        for (; k < 8; ++k) {
            t.low[m][k] = 0;
            t.high[m][k] = 8;
        }
    }
    return t;
}

constexpr CompactTable kCompactTable = makeCompactTable();

// Writes the bytes of `v` whose bit is set in `keep` at o, in order; stores
// 16 bytes at most. Returns the new end.
inline std::uint8_t* compact16(__m128i v, unsigned keep, std::uint8_t* o)
{
    const unsigned lo = keep & 0xFF;
    const unsigned hi = (keep >> 8) & 0xFF;
    const __m128i idx =
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(kCompactTable.low[lo])),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kCompactTable.high[hi])));
    const __m128i s = _mm_shuffle_epi8(v, idx);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), s);
    o += __builtin_popcount(lo);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_unpackhi_epi64(s, s));
    return o + __builtin_popcount(hi);
}

} // namespace
