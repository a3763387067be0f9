#pragma once

#include <QList>

#include <cstddef>
#include <cstdint>

// The body of a yEnc article: every byte b becomes (b + 42) mod 256, and
// NUL, TAB, LF, CR, space, "." and "=" (after the shift) are written as "="
// followed by the shifted byte + 64, wherever they fall on a line. A line
// ends with CR LF as soon as it holds 128 characters or more, so it holds
// 128, or 129 when an escape pair straddles the limit; an escape pair is
// never split.
//
// Several code paths give exactly the same bytes: a scalar one and, chosen
// at run time from what the processor offers, AVX2, AVX-512BW and
// AVX-512 VBMI2 ones.
class YencBodyEncoder
{
public:
    enum class Path { Scalar, Avx2, Avx512Bw, Avx512Vbmi2 };

    static constexpr int kLineLength = 128;

    static QList<Path> supportedPaths();
    // The fastest path this processor runs.
    static Path bestPath();
    static const char* pathName(Path path);

    // Room the output of `n` input bytes may need, the vector paths' scratch
    // beyond the end included.
    static size_t maxEncodedSize(size_t n);

    // Encodes `n` bytes onto a line that already holds `column` characters
    // (0 at the start of a body) and returns the number of bytes written to
    // `out`, which holds at least maxEncodedSize(n) bytes. `column` is left
    // at the characters of the unfinished last line; finish() ends it. So a
    // body may be encoded in pieces of any size with the same result.
    static size_t encode(const uint8_t* in, size_t n, uint8_t* out, int& column);
    // The same with a given path, which must be one of supportedPaths().
    static size_t encode(Path path, const uint8_t* in, size_t n, uint8_t* out, int& column);
    // Ends an unfinished last line (CR LF); returns the bytes written.
    static size_t finish(uint8_t* out, int& column);
};
