#pragma once

#include <QtGlobal>

#include <isa-l/crc.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>

// CRC-32 (the one zlib and PAR2 use) of data of any size, and the CRC of two
// pieces joined. The running CRC is ISA-L's folded one (carry-less multiply,
// chosen at run time for the processor): every yEnc article is checked as it
// is decoded, and zlib's table-driven CRC would halve the decoder's speed.
struct Crc32
{
    static std::uint32_t initial() { return std::uint32_t(crc32(0, nullptr, 0)); }

    static std::uint32_t update(std::uint32_t crc, const void* data, qint64 size)
    {
        const auto* p = static_cast<const Bytef*>(data);
        while (size > 0) {
            const uInt n = uInt(std::min<qint64>(size, qint64(1) << 30));
            crc = crc32_gzip_refl(crc, p, std::uint64_t(n));
            p += n;
            size -= n;
        }
        return crc;
    }

    // The CRC of a followed by b, from the CRCs of both and b's length.
    static std::uint32_t combine(std::uint32_t a, std::uint32_t b, qint64 lengthOfB)
    {
        return std::uint32_t(crc32_combine64(a, b, z_off64_t(lengthOfB)));
    }
};
