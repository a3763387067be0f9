#include "codec/TextDecode.h"

#include "DecoderTestSupport.h"
#include "support/ArticleFixtures.h"

#include <gtest/gtest.h>

namespace {
struct TextDecodeTest : ::testing::Test, DecoderFixture
{
};
} // namespace

TEST(TextDecodeEof, OnlyATrailingTerminatorCounts)
{
    EXPECT_EQ(TextDecode::searchEOFInData("abc\r\n.\r\n"), 3);
    EXPECT_EQ(TextDecode::searchEOFInData("a\r\n.\r\nb"), -1);
    EXPECT_EQ(TextDecode::searchEOFInData(".\r\n"), -1);
}

TEST_F(TextDecodeTest, UndoesStuffingAndTerminatorsOfEveryBody)
{
    struct Case
    {
        const char* what;
        QList<QByteArray> bodies;
        QByteArray want;
    };
    const Case cases[] = {
        {"one body loses its last line break and the dot line",
         {"hello\r\nworld\r\n.\r\n"},
         "hello\r\nworld"},
        {"doubled dots", {"..hidden\r\n...\r\nx\r\n.\r\n"}, ".hidden\r\n..\r\nx"},
        {"several bodies join line by line", {"a\r\n.\r\n", "b\r\n.\r\n", "c\r\n.\r\n"}, "a\r\nb\r\nc"},
        {"missing articles are left out", {"a\r\n.\r\n", QByteArray(), "c\r\n.\r\n", QByteArray()}, "a\r\nc"},
        {"a body without its terminating line", {"a\r\n.\r\n", "cut sho"}, "a\r\ncut sho"},
        {"an empty body", {".\r\n"}, ""},
        {"nothing at all", {}, ""},
        {"LF-only lines are data", {"a\n.b\n\r\n.\r\n"}, "a\n.b\n"},
    };
    for (const Case& c : cases) {
        const DecodeResult r = TextDecode::decodeToFile(request(c.bodies));
        ASSERT_EQ(r.outcome, DecodeOutcome::Decoded) << c.what;
        EXPECT_EQ(r.data, c.want) << c.what;
        EXPECT_TRUE(r.filename.isEmpty()) << c.what;
        EXPECT_EQ(r.fileCrc32, ArticleFixtures::crc32Of(c.want)) << c.what;
    }
}

TEST_F(TextDecodeTest, WritesBodyByBodyAndReleases)
{
    DecodeRequest r = request({"first\r\n.\r\n", "second\r\n.\r\n"});
    r.releaseBodies = true;
    RecordingSink sink;
    const DecodeResult result = TextDecode::decodeToFile(r, sink);
    ASSERT_EQ(sink.writes.size(), 2u);
    EXPECT_EQ(sink.file, QByteArray("first\r\nsecond"));
    EXPECT_EQ(result.segments[1].fileposition, 7);
    EXPECT_TRUE(bodies[0].isNull() && bodies[1].isNull());
    RecordingSink refusing(0);
    EXPECT_EQ(TextDecode::decodeToFile(request({"x\r\n.\r\n"}), refusing).outcome,
              DecodeOutcome::WriteFailed);
}
