// The shared pieces of every decoding path of YencDecodeKernel. Each SIMD
// translation unit includes this after its "#pragma GCC target", so that all
// of it is compiled for that unit's instruction set. Everything here has
// internal linkage, so that no copy compiled for one instruction set can stand
// in for another at link time, and this file includes nothing itself: the
// including unit brings <cstddef>, <cstdint> and YencDecodeKernel.h first.

namespace {

using u8 = std::uint8_t;
using u64 = std::uint64_t;
using DecodeState = YencDecodeKernel::State;

constexpr u8 kDecodedCR = u8('\r' - 42);
constexpr u8 kDecodedDot = u8('.' - 42);

// The reference loop: one byte at a time through the states.
std::size_t scalarDecode(const u8* in, std::size_t n, u8* out, DecodeState& state)
{
    u8* o = out;
    std::size_t i = 0;
    DecodeState st = state;
    while (i < n) {
        switch (st) {
        case DecodeState::Data:
            while (i < n) {
                const u8 c = in[i++];
                if (c == '=') {
                    st = DecodeState::Escape;
                    break;
                }
                if (c == '\r') {
                    st = DecodeState::CR;
                    break;
                }
                *o++ = u8(c - 42);
            }
            break;
        case DecodeState::Escape:
            *o++ = u8(in[i++] - 106);
            st = DecodeState::Data;
            break;
        case DecodeState::CR:
            if (in[i] == '\n') {
                ++i;
                st = DecodeState::CRLF;
            } else {
                *o++ = kDecodedCR;
                st = DecodeState::Data;
            }
            break;
        case DecodeState::CRLF:
            if (in[i] == '.') {
                ++i;
                st = DecodeState::CRLFDot;
            } else {
                st = DecodeState::Data;
            }
            break;
        case DecodeState::CRLFDot:
            // CR LF "." "." is one byte; after CR LF "." and anything else the
            // dot is an ordinary byte. Either way one 4 comes out.
            *o++ = kDecodedDot;
            if (in[i] == '.') ++i;
            st = DecodeState::Data;
            break;
        }
    }
    state = st;
    return std::size_t(o - out);
}

// What one block of 64 bytes, starting with nothing open, turns into.
struct BlockPlan
{
    u64 keep;     // bytes that produce output
    u64 escaped;  // bytes that follow an escaping "="
    unsigned len; // bytes the block consumes; 0: the block goes to the scalar loop
};

// `eq`, `cr`, `lf`, `dot`: bit i set when byte i of the block is that
// character; `next`: the byte after the block.
inline BlockPlan planBlock(u64 eq, u64 cr, u64 lf, u64 dot, u8 next)
{
    // "==" makes the second "=" data and the escape chain depend on the run
    // length; encoders never write it, so such a block is left to the scalar
    // loop.
    if (eq & (eq << 1)) return {0, 0, 0};
    const u64 escaped = eq << 1;
    const u64 crReal = cr & ~escaped;
    const u64 nextLf = (lf >> 1) | (u64(next == '\n') << 63);
    const u64 nextDot = (dot >> 1) | (u64(next == '.') << 63);
    const u64 crDrop = crReal & nextLf;
    const u64 lfDrop = crDrop << 1;
    const u64 dotDrop = (lfDrop << 1) & dot & nextDot;
    const u64 drop = eq | crDrop | lfDrop | dotDrop;
    // A sequence that begins in the last two bytes would need the next block
    // to know how it started: the block stops before it instead, so that every
    // block begins with nothing open.
    const u64 cut = (eq & (u64(1) << 63)) | (crReal & (u64(3) << 62));
    if (cut) {
        const unsigned len = unsigned(__builtin_ctzll(cut));
        return {~drop & ((u64(1) << len) - 1), escaped, len};
    }
    return {~drop, escaped, 64};
}

// The block loop of a SIMD path. `Ops::scan(p)` gives the character masks of
// the 64 bytes at p; `Ops::emit(p, keep, escaped, o)` writes the decoded kept
// bytes at o (it may store up to 64 bytes there) and returns the new end.
template <class Ops> std::size_t decodeBlocks(const u8* in, std::size_t n, u8* out, DecodeState& state)
{
    u8* o = out;
    std::size_t i = 0;
    // The output never runs ahead of the input (o - out <= i), so a full
    // 64-byte store at o stays inside the caller's room of n bytes while more
    // than 64 input bytes are left.
    while (n - i > 64) {
        if (state != DecodeState::Data) {
            o += scalarDecode(in + i, 1, o, state);
            ++i;
            continue;
        }
        const auto m = Ops::scan(in + i);
        const BlockPlan plan = planBlock(m.eq, m.cr, m.lf, m.dot, in[i + 64]);
        if (plan.len == 0) {
            o += scalarDecode(in + i, 64, o, state);
            i += 64;
            continue;
        }
        o = Ops::emit(in + i, plan.keep, plan.escaped, o);
        i += plan.len;
    }
    o += scalarDecode(in + i, n - i, o, state);
    return std::size_t(o - out);
}

} // namespace
