#include "codec/YencDecodeKernel.h"

#include "support/ArticleFixtures.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <random>
#include <string>
#include <vector>

namespace {

using Kernel = YencDecodeKernel;
using Path = YencDecodeKernel::Path;

const Path kAllPaths[] = {Path::Scalar, Path::Avx2, Path::Avx512Bw, Path::Avx512Vbmi2};

// Decodes `in` through `path`, fed in pieces cut at `cuts`, then finished.
// The input is copied into a buffer of exactly its size, so that a read past
// its end is caught by the address sanitizer.
std::vector<std::uint8_t> decodePieces(Path path, const std::vector<std::uint8_t>& in,
                                       const std::vector<size_t>& cuts = {})
{
    std::vector<std::uint8_t> out(in.size() + 1);
    Kernel::State state = Kernel::State::Data;
    size_t written = 0;
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(in.size());
    for (size_t end : ends) {
        std::vector<std::uint8_t> piece(in.begin() + long(from), in.begin() + long(end));
        written += Kernel::decode(path, piece.data(), piece.size(), out.data() + written, state);
        from = end;
    }
    written += Kernel::finish(state, out.data() + written);
    out.resize(written);
    return out;
}

std::vector<std::uint8_t> bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

std::vector<std::uint8_t> bytes(const QByteArray& s)
{
    return {s.begin(), s.end()};
}

std::vector<Path> supportedPaths()
{
    std::vector<Path> paths;
    for (Path p : kAllPaths)
        if (Kernel::isSupported(p)) paths.push_back(p);
    return paths;
}

// A long run of plain bytes with `snippet` placed at `at`, so that the SIMD
// loops see it at every position of a block.
std::vector<std::uint8_t> embedded(const std::string& snippet, size_t at, size_t size = 200)
{
    std::vector<std::uint8_t> in(size, 'a');
    for (size_t i = 0; i < snippet.size() && at + i < size; ++i)
        in[at + i] = std::uint8_t(snippet[i]);
    return in;
}

} // namespace

TEST(YencDecodeKernel, DecodesEachRuleOnEveryPath)
{
    struct Case
    {
        std::string in;
        std::vector<std::uint8_t> want;
    };
    const Case cases[] = {
        {"*", {0x00}},
        {"+", {0x01}},
        {"=}", {0x13}},           // escaped "="
        {"=@", {0xD6}},           // escaped NUL
        {"=J", {0xE0}},           // escaped LF
        {"=M", {0xE3}},           // escaped CR
        {"=`", {0xF6}},           // escaped space
        {"=n", {0x04}},           // escaped dot
        {"\r\n", {}},             // line break
        {"a\r\nb", {0x37, 0x38}}, // line break between data
        {"\r\n..", {0x04}},       // stuffed dot
        {"\r\n...", {0x04, 0x04}},
        {"\r\n.A", {0x04, 0x17}}, // a single dot after a line break is data
        {"\n", {0xE0}},           // a lone LF is data
        {"\r", {0xE3}},           // a lone CR at the end is data
        {"\rA", {0xE3, 0x17}},
        {"\r\r\n", {0xE3}},
        {"=\r\n", {0xA3, 0xE0}}, // the escape takes the CR, the LF is alone
        {"=\r\n..", {0xA3, 0xE0, 0x04, 0x04}},
        {"==", {0xD3}}, // the second "=" is escaped data
        {"===}", {0xD3, 0x13}},
        {"=", {}},         // a dangling escape has nothing to escape
        {"\r\n.", {0x04}}, // the dot after a final line break
        {std::string("\0", 1), {0xD6}},
    };
    for (Path path : supportedPaths())
        for (const Case& c : cases) {
            // Alone, and embedded at both ends of a run long enough for the
            // SIMD loops.
            EXPECT_EQ(decodePieces(path, bytes(c.in)), c.want) << Kernel::nameOfPath(path) << " " << c.in;
            const std::string padded = std::string(130, '+') + c.in + std::string(130, '+');
            std::vector<std::uint8_t> want(130, 0x01);
            want.insert(want.end(), c.want.begin(), c.want.end());
            // A dangling "=" or a lone CR now has a byte after it.
            const std::vector<std::uint8_t> got = decodePieces(path, bytes(padded));
            EXPECT_EQ(decodePieces(Path::Scalar, bytes(padded)), got)
                << Kernel::nameOfPath(path) << " " << c.in;
            EXPECT_TRUE(std::equal(want.begin(), want.begin() + 130, got.begin())) << c.in;
        }
}

TEST(YencDecodeKernel, BestPathIsSupportedAndDecodesLikeScalar)
{
    EXPECT_TRUE(Kernel::isSupported(Kernel::bestPath()));
    EXPECT_TRUE(Kernel::isSupported(Path::Scalar));
    const QByteArray file = ArticleFixtures::randomBytes(100000, 7);
    const QByteArray encoded = ArticleFixtures::yencEncode(file);
    std::vector<std::uint8_t> out(size_t(encoded.size()) + 1);
    Kernel::State state = Kernel::State::Data;
    size_t n = Kernel::decode(reinterpret_cast<const std::uint8_t*>(encoded.data()), size_t(encoded.size()),
                              out.data(), state);
    n += Kernel::finish(state, out.data() + n);
    ASSERT_EQ(n, size_t(file.size()));
    EXPECT_EQ(0, memcmp(out.data(), file.data(), n));
}

TEST(YencDecodeKernel, PathsAgreeWithScalarOnRandomInputs)
{
    // Uniform bytes; bytes dense with the characters that matter; real
    // encoded lines, dot-stuffed; LF-only line ends.
    const char dense[] = {'=', '=', '\r', '\n', '.', '.', '\0', 'a', '}', '\r'};
    std::mt19937 rng(20240601);
    const std::vector<Path> paths = supportedPaths();
    for (int iteration = 0; iteration < 6000; ++iteration) {
        const size_t size = rng() % 700;
        std::vector<std::uint8_t> in(size);
        switch (iteration % 5) {
        case 0:
            for (auto& c : in)
                c = std::uint8_t(rng());
            break;
        case 1:
            for (auto& c : in)
                c = std::uint8_t(dense[rng() % sizeof dense]);
            break;
        case 2:
            for (auto& c : in)
                c = rng() % 3 ? std::uint8_t(rng()) : std::uint8_t(dense[rng() % sizeof dense]);
            break;
        case 3: {
            const QByteArray body = ArticleFixtures::dotStuff(ArticleFixtures::yencEncode(
                ArticleFixtures::randomBytes(qsizetype(size), rng()), 1 + rng() % 130));
            in = bytes(body);
            break;
        }
        case 4: {
            QByteArray body =
                ArticleFixtures::yencEncode(ArticleFixtures::randomBytes(qsizetype(size), rng()), 64);
            body.replace("\r\n", "\n");
            in = bytes(body);
            break;
        }
        }
        std::vector<size_t> cuts;
        if (!in.empty())
            for (int k = int(rng() % 3); k > 0; --k)
                cuts.push_back(rng() % (in.size() + 1));
        std::sort(cuts.begin(), cuts.end());
        const std::vector<std::uint8_t> want = decodePieces(Path::Scalar, in);
        for (Path path : paths)
            ASSERT_EQ(decodePieces(path, in, cuts), want)
                << Kernel::nameOfPath(path) << " iteration " << iteration << " size " << size;
    }
}

TEST(YencDecodeKernel, SequencesAtEveryBlockPositionAndEverySplit)
{
    const std::string snippets[] = {"\r\n..",
                                    "\r\n.\r\n",
                                    "=\r\n..",
                                    "\r\n=}",
                                    "==}",
                                    "\r\r\n.",
                                    "=\r",
                                    "\r\n.."
                                    "\r\n..",
                                    std::string("=\0\r\n", 4)};
    const std::vector<Path> paths = supportedPaths();
    for (const std::string& snippet : snippets)
        for (size_t at = 0; at < 140; ++at) {
            const std::vector<std::uint8_t> in = embedded(snippet, at);
            const std::vector<std::uint8_t> want = decodePieces(Path::Scalar, in);
            for (Path path : paths) {
                ASSERT_EQ(decodePieces(path, in), want) << Kernel::nameOfPath(path) << " at " << at;
                // Split at every byte around the sequence.
                for (size_t cut = at > 2 ? at - 2 : 0; cut <= std::min(in.size(), at + snippet.size() + 2);
                     ++cut)
                    ASSERT_EQ(decodePieces(path, in, {cut}), want)
                        << Kernel::nameOfPath(path) << " at " << at << " cut " << cut;
            }
        }
}

TEST(YencDecodeKernel, FeedingOneByteAtATimeGivesTheSameBytes)
{
    const QByteArray body =
        ArticleFixtures::dotStuff(ArticleFixtures::yencEncode(ArticleFixtures::randomBytes(3000, 11), 40));
    const std::vector<std::uint8_t> in = bytes(body);
    std::vector<size_t> cuts;
    for (size_t i = 1; i < in.size(); ++i)
        cuts.push_back(i);
    const std::vector<std::uint8_t> want = decodePieces(Path::Scalar, in);
    for (Path path : supportedPaths())
        EXPECT_EQ(decodePieces(path, in, cuts), want) << Kernel::nameOfPath(path);
}
