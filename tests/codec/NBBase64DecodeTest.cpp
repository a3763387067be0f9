#include "codec/NBBase64Decode.h"

#include "DecoderTestSupport.h"
#include "support/ArticleFixtures.h"

#include <gtest/gtest.h>

namespace {

struct NBBase64DecodeTest : ::testing::Test, DecoderFixture
{
};

QByteArray jpeg(qsizetype size, std::uint32_t seed)
{
    return QByteArray("\xFF\xD8\xFF\xE0", 4) + ArticleFixtures::randomBytes(size - 4, seed);
}

} // namespace

TEST(NBBase64DecodeParts, NameJpegStartAndAlphabet)
{
    EXPECT_EQ(NBBase64Decode::getFilenameFromData("Content-Type: image/jpeg; name=\"a.jpg\"\r\n"),
              QByteArray("a.jpg"));
    EXPECT_EQ(NBBase64Decode::getFilenameFromData("filename = \"b.jpg\"\r\n"), QByteArray("b.jpg"));
    // Greedy up to the last quote of the line.
    EXPECT_EQ(NBBase64Decode::getFilenameFromData("name=\"a.jpg\"; x=\"y\"\r\n"),
              QByteArray("a.jpg\"; x=\"y"));
    EXPECT_FALSE(NBBase64Decode::getFilenameFromData("Name=\"a.jpg\"\r\n"));
    EXPECT_FALSE(NBBase64Decode::getFilenameFromData("name=a.jpg\r\n"));

    EXPECT_EQ(NBBase64Decode::deCode("QUJD\r\nREVG\r\n.\r\n"), QByteArray("QUJDREVG"));
    EXPECT_EQ(NBBase64Decode::deCode("QUI=\r\n--boundary"), QByteArray("QUI="));
    EXPECT_EQ(NBBase64Decode::decodeB64Segment("QUJD REVG"), QByteArray("ABCDEF"));
    EXPECT_EQ(NBBase64Decode::decodeB64Segment("QUI="), QByteArray("AB"));
    EXPECT_FALSE(NBBase64Decode::DecodeData("QUJD"));
    const QByteArray image = jpeg(30, 1);
    EXPECT_EQ(NBBase64Decode::DecodeData("junk " + image.toBase64() + "\r\n.\r\n"), image);
}

TEST_F(NBBase64DecodeTest, DecodesAnImageSpreadOverSeveralBodies)
{
    const QByteArray image = jpeg(20000, 2);
    const QByteArray text = ArticleFixtures::base64MimeText(image, "photo.jpg") + "\r\n--boundary--\r\n";
    for (int linesPerBody : {1, 2, 5, 50, 1000}) {
        const DecodeResult r =
            NBBase64Decode::decodeToFile(request(ArticleFixtures::splitIntoBodies(text, linesPerBody)));
        ASSERT_EQ(r.outcome, DecodeOutcome::Decoded) << linesPerBody;
        EXPECT_EQ(r.data, image) << linesPerBody;
        EXPECT_EQ(r.filename, QStringLiteral("photo.jpg"));
        EXPECT_EQ(r.fileCrc32, ArticleFixtures::crc32Of(image));
    }
    EXPECT_TRUE(log().contains(QStringLiteral("Start Base64 decoding.")));
}

TEST_F(NBBase64DecodeTest, JpegStartSplitAcrossBodies)
{
    const QByteArray image = jpeg(300, 3);
    const QByteArray text = "Content-Type: image/jpeg; name=\"s.jpg\"\r\n\r\n" + image.toBase64() + "\r\n";
    // "/9j/" cut by the end of a first body that lost its terminating line:
    // the line goes on in the next body.
    const qsizetype at = text.indexOf("/9j/") + 2;
    const DecodeResult joined =
        NBBase64Decode::decodeToFile(request({text.left(at), ArticleFixtures::dotStuff(text.mid(at))}));
    ASSERT_TRUE(joined.isDecoded());
    EXPECT_EQ(joined.data, image);
}

TEST_F(NBBase64DecodeTest, FallsThroughWithoutNameOrJpegStart)
{
    const QByteArray image = jpeg(100, 4);
    struct Case
    {
        const char* what;
        QByteArray text;
    };
    const Case cases[] = {
        {"no name", "Content-Type: image/jpeg\r\n\r\n" + image.toBase64() + "\r\n"},
        {"not a jpeg",
         "Content-Type: image/png; name=\"p.png\"\r\n\r\n" + QByteArray("PNG data").toBase64() + "\r\n"},
    };
    for (const Case& c : cases) {
        DecodeRequest r = request({ArticleFixtures::dotStuff(c.text)});
        r.releaseBodies = true;
        RecordingSink sink;
        EXPECT_EQ(NBBase64Decode::decodeToFile(r, sink).outcome, DecodeOutcome::NotThisEncoding) << c.what;
        EXPECT_TRUE(sink.writes.empty()) << c.what;
        EXPECT_FALSE(bodies[0].isEmpty()) << c.what;
    }
}

TEST_F(NBBase64DecodeTest, NamesAreReducedToOneSafeComponent)
{
    const QByteArray image = jpeg(100, 5);
    const DecodeResult r = NBBase64Decode::decodeToFile(request(
        {ArticleFixtures::dotStuff(ArticleFixtures::base64MimeText(image, "..\\../up/../../pic.jpg"))}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.filename, QStringLiteral("pic.jpg"));
    EXPECT_EQ(r.data, image);
}
