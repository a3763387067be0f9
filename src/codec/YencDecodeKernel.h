#pragma once

#include <cstddef>
#include <cstdint>

// The byte loop of yEnc decoding, fed the encoded lines of one article body as
// the news server sent them (lines ending in CR LF, a leading dot doubled):
//   "=" and the byte b after it   -> b - 106 (both bytes consumed)
//   CR LF                         -> nothing, except that
//   CR LF "." "."                 -> one byte 4 (the stuffed dot undone)
//   every other byte b            -> b - 42, a lone CR and a lone LF included
// The decoding is incremental: `state` carries a sequence that is cut at the
// end of one call into the next, so a body may be fed in pieces split at any
// byte and gives the same bytes as in one piece. `finish` ends a range.
//
// Several code paths give exactly the same bytes: a scalar loop and SIMD
// loops for AVX2, AVX-512BW and AVX-512 VBMI2, the best one chosen at run
// time from what the processor offers.
class YencDecodeKernel
{
public:
    // What the bytes fed so far leave open.
    enum class State : std::uint8_t {
        Data,    // nothing open
        Escape,  // "=" seen: the next byte is escaped
        CR,      // CR seen
        CRLF,    // CR LF seen
        CRLFDot, // CR LF "." seen
    };

    enum class Path { Scalar, Avx2, Avx512Bw, Avx512Vbmi2 };

    // Decodes `size` bytes at `in` into `out`, which has room for `size`
    // bytes (decoding never produces more bytes than it reads), continuing
    // from `state` and leaving the open sequence in it. Returns the number of
    // bytes written. The best path of this processor is used.
    static std::size_t decode(const std::uint8_t* in, std::size_t size, std::uint8_t* out, State& state);
    // The same through a given path; a path the processor lacks runs scalar.
    static std::size_t decode(Path path, const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                              State& state);

    // Ends a range: writes the byte an open sequence still stands for (at
    // most one: a lone CR at the end, or the single dot after CR LF) and
    // resets `state`. A dangling "=" has nothing left to escape and is
    // dropped. Returns the number of bytes written.
    static std::size_t finish(State& state, std::uint8_t* out);

    static Path bestPath();
    static bool isSupported(Path path);
    static const char* nameOfPath(Path path);

private:
    static std::size_t decodeScalar(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    State& state);
    // Each defined in its own translation unit, compiled for its instruction set.
    static std::size_t decodeAvx2(const std::uint8_t* in, std::size_t size, std::uint8_t* out, State& state);
    static std::size_t decodeAvx512Bw(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                      State& state);
    static std::size_t decodeAvx512Vbmi2(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                         State& state);
};
