#include "codec/NBUUDecode.h"

#include "DecoderTestSupport.h"
#include "support/ArticleFixtures.h"

#include <gtest/gtest.h>

namespace {
struct NBUUDecodeTest : ::testing::Test, DecoderFixture
{
};
} // namespace

TEST(NBUUDecodeLines, BeginLineAndLineDecoding)
{
    EXPECT_TRUE(NBUUDecode::checkIfBeginLine("begin 644 a.bin"));
    EXPECT_TRUE(NBUUDecode::checkIfBeginLine("BEGIN\t600  a b.bin\r"));
    EXPECT_FALSE(NBUUDecode::checkIfBeginLine("begin644 a.bin"));
    EXPECT_FALSE(NBUUDecode::checkIfBeginLine(" begin 644 a.bin"));
    EXPECT_FALSE(NBUUDecode::checkIfBeginLine("begin abc a.bin"));
    EXPECT_EQ(NBUUDecode::getFilenameFromData("text\r\nbegin 644 my file.bin\r\nM...\r\n"),
              QByteArray("my file.bin"));
    EXPECT_FALSE(NBUUDecode::getFilenameFromData("no begin\r\n"));

    // A 61-character "M" line holds 45 bytes.
    const QByteArray data = ArticleFixtures::randomBytes(45, 1);
    const QByteArray text = ArticleFixtures::uuencodeText(data, "x");
    const QByteArray mLine = text.split('\n')[1].trimmed();
    EXPECT_EQ(mLine.size(), 61);
    EXPECT_EQ(mLine[0], 'M');
    EXPECT_EQ(NBUUDecode::uudecodeFileData(text), data);
    EXPECT_FALSE(NBUUDecode::uudecodeFileData("begin 6 x"));
}

TEST_F(NBUUDecodeTest, DecodesAGoldenBody)
{
    // "Cat" encoded by hand: 3 bytes, length character "#".
    const QByteArray body = "begin 644 cat.txt\r\n#0V%T\r\n`\r\nend\r\n.\r\n";
    const DecodeResult r = NBUUDecode::decodeToFile(request({body}));
    ASSERT_EQ(r.outcome, DecodeOutcome::Decoded);
    EXPECT_EQ(r.data, QByteArray("Cat"));
    EXPECT_EQ(r.filename, QStringLiteral("cat.txt"));
    EXPECT_EQ(r.segments[0].filename, QStringLiteral("cat.txt"));
    EXPECT_EQ(r.fileCrc32, ArticleFixtures::crc32Of("Cat"));
    EXPECT_TRUE(log().contains(QStringLiteral("Start UUDecode for file :: cat.txt")));
}

TEST_F(NBUUDecodeTest, DecodesAcrossBodiesSplitAtOddPlacesWithStuffedDots)
{
    // 14-byte lines begin with "." (32 + 14), which the server doubled.
    QByteArray data = ArticleFixtures::randomBytes(14 * 40, 2);
    QByteArray text = "begin 644 dots.bin\r\n";
    for (qsizetype at = 0; at < data.size(); at += 14)
        text += ArticleFixtures::uuencodeText(data.mid(at, 14), "x").split('\n')[1].trimmed() + "\r\n";
    text += "`\r\nend\r\n";
    ASSERT_TRUE(text.contains("\r\n."));
    for (int linesPerBody : {1, 3, 7, 100}) {
        const DecodeResult r =
            NBUUDecode::decodeToFile(request(ArticleFixtures::splitIntoBodies(text, linesPerBody)));
        ASSERT_TRUE(r.isDecoded());
        EXPECT_EQ(r.data, data) << linesPerBody;
    }
    // A line cut in the middle by the end of a body goes on in the next one.
    QByteArray first = text.left(text.size() / 2);
    QByteArray rest = text.mid(text.size() / 2);
    if (first.endsWith('\r')) first.chop(1), rest.prepend('\r');
    const QByteArray firstBody = ArticleFixtures::dotStuff(first);
    const DecodeResult split = NBUUDecode::decodeToFile(
        request({firstBody.left(firstBody.size() - 5) + ".\r\n", ArticleFixtures::dotStuff(rest)}));
    EXPECT_TRUE(split.isDecoded());
}

TEST_F(NBUUDecodeTest, StopsAtTheEndLine)
{
    const QByteArray data = ArticleFixtures::randomBytes(100, 3);
    // After "end", a line that happens to have a data line's length.
    const QByteArray text = ArticleFixtures::uuencodeText(data, "a.bin") + "#0V%T\r\n";
    const DecodeResult r = NBUUDecode::decodeToFile(request({ArticleFixtures::dotStuff(text)}));
    EXPECT_EQ(r.data, data);
}

TEST_F(NBUUDecodeTest, NotUUWithoutABeginLine)
{
    DecodeRequest r = request({ArticleFixtures::dotStuff("M0V%T\r\nend\r\n"), QByteArray()});
    r.releaseBodies = true;
    RecordingSink sink;
    EXPECT_EQ(NBUUDecode::decodeToFile(r, sink).outcome, DecodeOutcome::NotThisEncoding);
    EXPECT_TRUE(sink.writes.empty());
    EXPECT_FALSE(bodies[0].isEmpty());
    // Fewer than 10 bytes of text.
    EXPECT_EQ(NBUUDecode::decodeToFile(request({"begin 6 x"})).outcome, DecodeOutcome::NotThisEncoding);
}

TEST_F(NBUUDecodeTest, NamesAreReducedToOneSafeComponent)
{
    const QByteArray data = "payload";
    const DecodeResult r = NBUUDecode::decodeToFile(
        request({ArticleFixtures::dotStuff(ArticleFixtures::uuencodeText(data, "../../etc/x"))}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.filename, QStringLiteral("x"));
    EXPECT_EQ(r.data, data);
}

TEST_F(NBUUDecodeTest, CancellationAndRefusedWrites)
{
    const QByteArray data = ArticleFixtures::randomBytes(4000, 4);
    const QList<QByteArray> parts =
        ArticleFixtures::splitIntoBodies(ArticleFixtures::uuencodeText(data, "c"), 20);
    DecodeRequest r = request(parts);
    r.isCancelled = [] { return true; };
    EXPECT_EQ(NBUUDecode::decodeToFile(r).outcome, DecodeOutcome::Cancelled);
    EXPECT_TRUE(log().contains(QStringLiteral("Stop due cancellation :: Job title")));

    RecordingSink refusing(0);
    EXPECT_EQ(NBUUDecode::decodeToFile(request(parts), refusing).outcome, DecodeOutcome::WriteFailed);
}
