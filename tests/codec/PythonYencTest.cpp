#include "codec/DeYenc.h"

#include "DecoderTestSupport.h"
#include "support/ArticleFixtures.h"
#include "support/PythonYencArticles.h"

#include <gtest/gtest.h>

namespace {

struct PythonYencTest : ::testing::Test, DecoderFixture
{
    void SetUp() override
    {
        ASSERT_TRUE(PythonYencArticles::available())
            << "python3-yenc is needed: /usr/bin/python3 -c 'import yenc'";
    }

    void checkRoundTrip(const QByteArray& file, qsizetype partBytes)
    {
        QString error;
        const auto articles = PythonYencArticles::make(file, "independent.bin", partBytes, &error);
        ASSERT_TRUE(articles) << error.toStdString();
        ASSERT_EQ(articles->bodies.size(), (file.size() + partBytes - 1) / partBytes);
        const DecodeResult r = DeYenc::decodeToFile(request(articles->bodies));
        ASSERT_TRUE(r.isDecoded());
        EXPECT_EQ(r.data.size(), file.size());
        EXPECT_TRUE(r.data == file);
        EXPECT_EQ(r.filename, QStringLiteral("independent.bin"));
        EXPECT_EQ(r.fileCrc32, articles->fileCrc);
        EXPECT_EQ(r.declaredCrc32, articles->fileCrc);
        for (const DecodedSegment& s : r.segments)
            EXPECT_EQ(s.expectedCrc32, s.crc32);
    }
};

} // namespace

TEST_F(PythonYencTest, DecodesRandomDataLikeTheIndependentEncoder)
{
    checkRoundTrip(ArticleFixtures::randomBytes(2500000, 99), 768000);
}

TEST_F(PythonYencTest, DecodesDataDenseWithCriticalBytesAndDots)
{
    // Bytes that encode to ".", "=", CR, LF, NUL, TAB and space, in runs that
    // put them at line starts and ends.
    QByteArray file;
    const unsigned char critical[] = {4, 19, 227, 224, 214, 223, 246, 4, 4, 0, 1};
    for (int i = 0; i < 300000; ++i)
        file.append(char(critical[(i * 7 + i / 13) % sizeof critical]));
    checkRoundTrip(file, 100000);
}

TEST_F(PythonYencTest, DecodesSmallPartsOfEverySize)
{
    for (qsizetype size : {1, 2, 63, 64, 65, 127, 128, 129, 1000})
        checkRoundTrip(ArticleFixtures::randomBytes(size, std::uint32_t(size)), 50);
}
