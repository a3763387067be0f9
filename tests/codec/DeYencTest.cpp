#include "codec/DeYenc.h"

#include "DecoderTestSupport.h"
#include "support/ArticleFixtures.h"

#include <gtest/gtest.h>

namespace {

using Part = ArticleFixtures::YencPart;

struct DeYencTest : ::testing::Test, DecoderFixture
{
};

Part multiPart(int number, int total, qint64 begin, qint64 fileSize, const QByteArray& name = "file.bin")
{
    Part p;
    p.name = name;
    p.part = number;
    p.total = total;
    p.begin = begin;
    p.fileSize = fileSize;
    return p;
}

} // namespace

TEST(DeYencDetection, FindsYbeginAtTheStartOrAtALineStartOnly)
{
    struct Case
    {
        QByteArray body;
        bool yenc;
    };
    const Case cases[] = {
        {"=ybegin line=128 size=1 name=a\r\nx\r\n=yend size=1\r\n.\r\n", true},
        {"abcdef=ybegin line=128 size=1 name=a\r\n", true},   // at byte 6
        {"abcdefg=ybegin line=128 size=1 name=a\r\n", false}, // mid-line at byte 7
        {"some text here\r\n=ybegin line=128 size=1 name=a\r\n", true},
        {"some text here\r\nx=ybegin line=128 size=1 name=a\r\n", false},
        {"=ybegin line=128 size=1 name=a", false}, // no line break after it
        {"no yenc at all\r\n.\r\n", false},
        {"", false},
        // Only the first occurrence counts.
        {"some text here =ybegin\r\n=ybegin line=128 size=1 name=a\r\n", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeYenc::checkIfYenc(c.body), c.yenc) << c.body.constData();
}

TEST(DeYencAttributes, KeySearchesAsTheHeaderReaderUsesThem)
{
    const QByteArray data = "=ybegin line=128 name=a b.bin\r\nxx\r\n=yend size=2 crc32=1\r\n";
    EXPECT_EQ(DeYenc::getYencAttribute(data, "name=", "\r\n"), QByteArray("a b.bin"));
    EXPECT_EQ(DeYenc::getYencAttribute(data, "size=", " "), QByteArray("2"));
    EXPECT_FALSE(DeYenc::getYencAttribute(data, "part=", " "));
    EXPECT_FALSE(DeYenc::getYencAttribute("name=x", "name=", "\r\n"));
    const auto forward = DeYenc::getYencAttrPosition(data, "=y", "\r\n", false);
    ASSERT_TRUE(forward);
    EXPECT_EQ(forward->start, 0);
    EXPECT_EQ(forward->end, data.indexOf("\r\n"));
    const auto back = DeYenc::getYencAttrPosition(data, "=yend", " ", true);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->start, data.indexOf("=yend"));
    EXPECT_EQ(back->end, data.lastIndexOf(' '));
    EXPECT_FALSE(DeYenc::getYencAttrPosition("=yend\r\n", "=yend", " ", true));
}

TEST(DeYencBytes, DecodesARangeAndReadsNothingPastIt)
{
    EXPECT_EQ(DeYenc::deYenc("\r\nrst=}*\r\n..\r\n"), QByteArray("HIJ\x13\x00\x04", 6));
    // A range ending in an escape: the "=" is dropped, and the byte after the
    // range is never read (the buffer ends exactly there).
    std::vector<char> exact = {'+', '+', '='};
    EXPECT_EQ(DeYenc::deYenc(QByteArrayView(exact.data(), qsizetype(exact.size()))),
              QByteArray("\x01\x01", 2));
    std::vector<char> cr = {'+', '\r'};
    EXPECT_EQ(DeYenc::deYenc(QByteArrayView(cr.data(), qsizetype(cr.size()))), QByteArray("\x01\xE3", 2));
}

TEST_F(DeYencTest, DecodesAGoldenSinglePartBody)
{
    // Hand-written: escapes, a line that needed dot-stuffing, odd line lengths.
    const QByteArray body = "=ybegin line=8 size=9 name=golden.bin\r\n"
                            "*+=}\r\n"
                            "..r=@\r\n"
                            "=M=J\r\n"
                            "=yend size=9 crc32=00000000\r\n"
                            ".\r\n";
    const QByteArray want("\x00\x01\x13\x04\x48\xD6\xE3\xE0", 8);
    const DecodeResult r = DeYenc::decodeToFile(request({body}));
    ASSERT_EQ(r.outcome, DecodeOutcome::Decoded);
    EXPECT_EQ(r.data, want);
    EXPECT_EQ(r.filename, QStringLiteral("golden.bin"));
    EXPECT_EQ(r.declaredSize, 9);
    ASSERT_EQ(r.segments.size(), 1u);
    EXPECT_EQ(r.segments[0].fileposition, 0);
    EXPECT_EQ(r.segments[0].crc32, ArticleFixtures::crc32Of(want));
    EXPECT_EQ(r.fileCrc32, ArticleFixtures::crc32Of(want));
    // The stated CRC is reported, not enforced.
    EXPECT_EQ(r.segments[0].expectedCrc32, 0u);
}

TEST_F(DeYencTest, AssemblesPartsByOffsetInAnyOrderWithDuplicates)
{
    const QByteArray file = ArticleFixtures::randomBytes(1000, 3);
    QList<QByteArray> parts = ArticleFixtures::yencArticles(file, "f.bin", 300);
    ASSERT_EQ(parts.size(), 4);
    const DecodeResult r = DeYenc::decodeToFile(request({parts[3], parts[1], parts[0], parts[1], parts[2]}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.data, file);
    EXPECT_EQ(r.fileCrc32, ArticleFixtures::crc32Of(file));
    EXPECT_EQ(r.declaredCrc32, ArticleFixtures::crc32Of(file));
    EXPECT_EQ(r.segments[0].fileposition, 900);
    EXPECT_EQ(r.segments[1].fileposition, 300);
    EXPECT_EQ(r.segments[2].fileposition, 0);
    for (const DecodedSegment& s : r.segments)
        EXPECT_EQ(s.expectedCrc32, s.crc32);
}

TEST_F(DeYencTest, PlacesByBeginMinusOne)
{
    const QByteArray a = ArticleFixtures::randomBytes(384000, 1);
    const QByteArray b = ArticleFixtures::randomBytes(1000, 2);
    const QByteArray second = ArticleFixtures::yencBody(b, multiPart(2, 2, 384001, 385000));
    const DecodeResult r =
        DeYenc::decodeToFile(request({ArticleFixtures::yencBody(a, multiPart(1, 2, 1, 385000)), second}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.segments[0].fileposition, 0);
    EXPECT_EQ(r.segments[1].fileposition, 384000);
    EXPECT_EQ(r.data, a + b);

    // Without "=ypart" a body goes to offset 0.
    Part single;
    single.fileSize = 5;
    const DecodeResult s = DeYenc::decodeToFile(request({ArticleFixtures::yencBody("hello", single)}));
    EXPECT_EQ(s.segments[0].fileposition, 0);
    EXPECT_EQ(s.data, QByteArray("hello"));
}

TEST_F(DeYencTest, MissingAndBrokenSegmentsLeaveTheirRange)
{
    const QByteArray file = ArticleFixtures::randomBytes(900, 4);
    QList<QByteArray> parts = ArticleFixtures::yencArticles(file, "f.bin", 300);
    // A middle article that never arrived: zeros in its place.
    DecodeResult r = DeYenc::decodeToFile(request({parts[0], QByteArray(), parts[2]}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.data, file.left(300) + QByteArray(300, '\0') + file.mid(600));
    EXPECT_FALSE(r.fileCrc32); // the placed bytes do not cover the file

    // A middle article without its "=yend" line is skipped with its log line.
    QByteArray noEnd = parts[1];
    noEnd.truncate(noEnd.indexOf("=yend"));
    r = DeYenc::decodeToFile(request({parts[0], noEnd, parts[2]}));
    EXPECT_EQ(r.data, file.left(300) + QByteArray(300, '\0') + file.mid(600));
    EXPECT_FALSE(r.segments[1].placed);
    EXPECT_TRUE(log().contains(QStringLiteral("Did not found the '=yend' attribute for: part.bin")));

    // A missing tail makes the file shorter.
    r = DeYenc::decodeToFile(request({parts[0], parts[1], QByteArray()}));
    EXPECT_EQ(r.data, file.left(600));
    EXPECT_EQ(r.fileCrc32, ArticleFixtures::crc32Of(file.left(600)));
}

TEST_F(DeYencTest, DetectsYencOnAnySegmentWithData)
{
    const QByteArray file = ArticleFixtures::randomBytes(900, 5);
    QList<QByteArray> parts = ArticleFixtures::yencArticles(file, "f.bin", 300);
    // First and last missing: the middle one still makes this a yEnc part.
    DecodeResult r = DeYenc::decodeToFile(request({QByteArray(), parts[1], QByteArray()}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.data.mid(300), file.mid(300, 300));
    EXPECT_EQ(r.filename, QStringLiteral("f.bin"));

    // A first segment that is not yEnc, a last that is.
    r = DeYenc::decodeToFile(request({ArticleFixtures::dotStuff("just text\r\n"), parts[1], parts[2]}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.data.mid(300), file.mid(300));
    EXPECT_FALSE(r.segments[0].placed);

    // Nothing in yEnc: nothing written, bodies untouched.
    DecodeRequest plain = request({ArticleFixtures::dotStuff("a\r\n"), QByteArray()});
    plain.releaseBodies = true;
    RecordingSink sink;
    r = DeYenc::decodeToFile(plain, sink);
    EXPECT_EQ(r.outcome, DecodeOutcome::NotThisEncoding);
    EXPECT_TRUE(sink.writes.empty());
    EXPECT_EQ(bodies[0], ArticleFixtures::dotStuff("a\r\n"));
}

TEST_F(DeYencTest, HostileHeadersCannotGrowTheFileOrEscapeTheFolder)
{
    const QByteArray data = ArticleFixtures::randomBytes(500, 6);
    const QByteArray good = ArticleFixtures::yencBody(data, multiPart(1, 2, 1, 1000, "../../x"));
    auto withPartLine = [&](const QByteArray& ypart, const QByteArray& ybeginSize = "1000") {
        QByteArray b = ArticleFixtures::yencBody(data, multiPart(2, 2, 501, 1000));
        const qsizetype at = b.indexOf("=ypart");
        b.replace(at, b.indexOf("\r\n", at) - at, ypart);
        b.replace("size=1000", "size=" + ybeginSize);
        return b;
    };
    struct Case
    {
        const char* what;
        QByteArray second;
        bool placed;
    };
    const Case cases[] = {
        {"huge begin", withPartLine("=ypart begin=999999999999 end=1000000000499"), false},
        {"begin beyond size", withPartLine("=ypart begin=1001 end=1500"), false},
        {"begin 0", withPartLine("=ypart begin=0 end=499"), false},
        {"begin not a number", withPartLine("=ypart begin=x end=499"), false},
        {"begin missing", withPartLine("=ypart end=499"), false},
        {"digits past any size", withPartLine("=ypart begin=99999999999999999999999 end=1"), false},
        {"huge size and begin", withPartLine("=ypart begin=999999999999 end=1", "999999999999999"), false},
        // Its bytes run past the part's size: another file's, left out whole.
        {"runs past size", withPartLine("=ypart begin=801 end=1300"), false},
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        const DecodeResult r = DeYenc::decodeToFile(request({good, c.second}), sink);
        ASSERT_TRUE(r.isDecoded()) << c.what;
        EXPECT_EQ(r.segments[1].placed, c.placed) << c.what;
        EXPECT_TRUE(r.segments[0].placed) << c.what;
        EXPECT_EQ(r.filename, QStringLiteral("x")) << c.what;
        EXPECT_LE(r.fileSize, 1000) << c.what;
        for (const RecordingSink::Write& w : sink.writes)
            EXPECT_LE(w.offset + w.size, 1000) << c.what;
        for (qint64 e : sink.expected)
            EXPECT_LE(e, 2 * qint64(good.size() + c.second.size())) << c.what;
        EXPECT_EQ(sink.file.left(500), data) << c.what;
    }
    // A body that claims more than its articles can hold is cut at what they can.
    QByteArray lying = ArticleFixtures::yencBody(data, multiPart(1, 1, 1, 1));
    lying.replace("size=1 ", "size=999999999999999 ");
    lying.replace("=ypart begin=1 end=500", "=ypart begin=5000000 end=5000499");
    RecordingSink sink;
    const DecodeResult r = DeYenc::decodeToFile(request({lying}), sink);
    EXPECT_FALSE(r.segments[0].placed);
    EXPECT_TRUE(sink.writes.empty());
    ASSERT_EQ(sink.expected.size(), 1u);
    EXPECT_EQ(sink.expected[0], lying.size());
}

TEST_F(DeYencTest, HeaderLinesWithoutTheirLineBreakSkipTheSegment)
{
    const QByteArray data = "abc";
    const QByteArray good = ArticleFixtures::yencBody(data, multiPart(1, 2, 1, 6));
    // "=ypart" line cut off at the end of a truncated article.
    const QByteArray cut = "=ybegin part=2 total=2 line=128 size=6 name=f\r\n=ypart begin=4 end=6";
    const DecodeResult r = DeYenc::decodeToFile(request({good, cut}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_FALSE(r.segments[1].placed);
    EXPECT_EQ(r.data, data);
    // A name without a line break: not even yEnc.
    EXPECT_FALSE(DeYenc::checkIfYenc("=ybegin line=128 size=6 name=f"));
}

TEST_F(DeYencTest, TruncatedArticles)
{
    const QByteArray file = ArticleFixtures::randomBytes(2000, 8);
    Part p;
    p.fileSize = file.size();
    const QByteArray body = ArticleFixtures::yencBody(file, p);
    // Cut anywhere inside the encoded lines: no "=yend", nothing placed.
    for (qsizetype at : {qsizetype(50), body.indexOf("=yend") - 1}) {
        const DecodeResult r = DeYenc::decodeToFile(request({body.left(at)}));
        ASSERT_TRUE(r.isDecoded());
        EXPECT_FALSE(r.segments[0].placed);
        EXPECT_TRUE(r.data.isEmpty());
    }
    // Cut after its "=yend" line, before the terminating line: complete.
    const DecodeResult r = DeYenc::decodeToFile(request({body.left(body.lastIndexOf(".\r\n"))}));
    EXPECT_EQ(r.data, file);
    // "=yend" before any encoded line.
    const DecodeResult empty =
        DeYenc::decodeToFile(request({"=ybegin line=128 size=3 name=f =yend x\r\nabc\r\n.\r\n"}));
    EXPECT_FALSE(empty.segments[0].placed);
    EXPECT_TRUE(log().contains(QStringLiteral("yEnd data length is less than zero for file: part.bin.")));
}

TEST_F(DeYencTest, ZeroBytePartIsLogged)
{
    const DecodeResult r =
        DeYenc::decodeToFile(request({"=ybegin line=128 size=0 name=empty\r\n\r\n=yend size=0\r\n.\r\n"}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_TRUE(r.data.isEmpty());
    EXPECT_TRUE(log().contains(QStringLiteral("File data is 0 bytes for file: part.bin (Job title)")));
}

TEST_F(DeYencTest, WrongPartCrcIsReportedAndStillPlaced)
{
    const QByteArray data = ArticleFixtures::randomBytes(700, 9);
    const QByteArray good = ArticleFixtures::yencBody(data, multiPart(1, 1, 1, 700));
    QByteArray body = good;
    const qsizetype at = body.indexOf("pcrc32=") + 7;
    body.replace(at, 8, "deadbeef");
    // Checked even when the caller wants no CRC values of its own.
    DecodeRequest wrong = request({body});
    wrong.computeCrc32 = false;
    DecodeResult r = DeYenc::decodeToFile(wrong);
    EXPECT_EQ(r.data, data);
    EXPECT_EQ(r.segments[0].expectedCrc32, 0xdeadbeefu);
    EXPECT_NE(r.segments[0].crc32, 0xdeadbeefu);
    EXPECT_TRUE(r.segments[0].crcMismatch);
    EXPECT_TRUE(log().contains(QStringLiteral("CRC mismatch in an article of part.bin (Job title)")));

    r = DeYenc::decodeToFile(request({good}));
    EXPECT_FALSE(r.segments[0].crcMismatch);

    // One flipped byte of the data, its CRC as posted.
    QByteArray damaged = good;
    const qsizetype dataAt = damaged.indexOf("\r\n", damaged.indexOf("=ypart")) + 10;
    damaged[dataAt] = damaged[dataAt] == 'a' ? 'b' : 'a';

    // The check on arrival: a post in one part is held to "crc32=", an
    // article of several to its "pcrc32="; one without any is not checked.
    Part single;
    single.fileSize = 5;
    const std::uint32_t crc = ArticleFixtures::crc32Of("hello");
    const std::uint32_t wrongCrc = crc ^ 1;
    QByteArray noCrc = ArticleFixtures::yencBody("hello", single);
    ASSERT_GE(noCrc.indexOf(" crc32="), 0);
    noCrc.replace(noCrc.indexOf(" crc32="), 15, "");
    struct Case
    {
        const char* what;
        QByteArray body;
        DeYenc::ArticleCheck want;
    };
    // An article longer than the check decodes at a time.
    const QByteArray largeData = ArticleFixtures::randomBytes(300000, 41);
    const QByteArray largeGood = ArticleFixtures::yencBody(largeData, multiPart(1, 1, 1, 300000));
    QByteArray largeDamaged = largeGood;
    const qsizetype lastAt = largeDamaged.lastIndexOf("\r\n=yend") - 1;
    largeDamaged[lastAt] = largeDamaged[lastAt] == 'a' ? 'b' : 'a';
    const Case cases[] = {
        {"good part", good, DeYenc::ArticleCheck::Good},
        {"stated crc wrong", body, DeYenc::ArticleCheck::Mismatch},
        {"data damaged", damaged, DeYenc::ArticleCheck::Mismatch},
        {"single part, right crc32", ArticleFixtures::yencBody("hello", single, &crc),
         DeYenc::ArticleCheck::Good},
        {"single part, wrong crc32", ArticleFixtures::yencBody("hello", single, &wrongCrc),
         DeYenc::ArticleCheck::Mismatch},
        {"no crc", noCrc, DeYenc::ArticleCheck::NotChecked},
        {"not yEnc", ArticleFixtures::dotStuff("plain text\r\n"), DeYenc::ArticleCheck::NotChecked},
        {"no =yend", good.left(good.indexOf("=yend")), DeYenc::ArticleCheck::NotChecked},
        {"article of many pieces", largeGood, DeYenc::ArticleCheck::Good},
        {"article of many pieces, its last byte damaged", largeDamaged, DeYenc::ArticleCheck::Mismatch},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeYenc::checkArticle(c.body), c.want) << c.what;
}

TEST_F(DeYencTest, MangledHeaderNumbersMakeTheArticleUndecodable)
{
    // Two header lines run together, or a number with something after it:
    // no guessed offset, nothing written, the neighbours untouched.
    const QByteArray a = ArticleFixtures::randomBytes(500, 20);
    const QByteArray b = ArticleFixtures::randomBytes(500, 21);
    const QByteArray first = ArticleFixtures::yencBody(a, multiPart(1, 2, 1, 1000));
    const QByteArray good = ArticleFixtures::yencBody(b, multiPart(2, 2, 501, 1000));
    const auto edited = [&](const QByteArray& from, const QByteArray& to) {
        QByteArray body = good;
        EXPECT_GE(body.indexOf(from), 0) << from.constData();
        body.replace(from, to);
        return body;
    };
    const QByteArray cases[] = {
        edited("=ypart begin=501 end=1000", "=ypart begin=9254=ybegin part=242 total=300 line=128 size=1000"),
        edited("=ypart begin=501 end=1000", "=ypart begin=501x end=1000"),
        edited("=ypart begin=501 end=1000", "=ypart begin=501 end=1000=yend"),
        edited("=ypart begin=501 end=1000", "=ypart begin= end=1000"),
        edited("size=1000", "size=1000=ypart"),
        edited("part=2 ", "part=2b "),
    };
    for (const QByteArray& mangled : cases) {
        RecordingSink sink;
        const DecodeResult r = DeYenc::decodeToFile(request({first, mangled}), sink);
        ASSERT_TRUE(r.isDecoded()) << mangled.left(80).constData();
        EXPECT_TRUE(r.segments[0].placed);
        EXPECT_FALSE(r.segments[1].placed) << mangled.left(80).constData();
        EXPECT_EQ(sink.writes.size(), 1u) << mangled.left(80).constData();
        EXPECT_EQ(sink.file, a) << mangled.left(80).constData();
        EXPECT_FALSE(DeYenc::identityOf(mangled)) << mangled.left(80).constData();
    }
    EXPECT_TRUE(log().contains(QStringLiteral("unreadable =ypart line: =ypart begin=9254=ybegin")));
    // Numbers that end at a blank, a tab, a CR or the line end are read.
    const QByteArray tabbed = edited("=ypart begin=501 end=1000", "=ypart begin=501\tend=1000\r");
    const DecodeResult r = DeYenc::decodeToFile(request({first, tabbed}));
    EXPECT_TRUE(r.segments[1].placed);
    EXPECT_EQ(r.data, a + b);
}

TEST_F(DeYencTest, ArticlesOfAnotherFileAreLeftOut)
{
    // A part of 20,000 bytes in articles of 5,000; among them an article of
    // another file (its own size and name), one that runs past the part's
    // size, and one of the right file.
    const QByteArray file = ArticleFixtures::randomBytes(20000, 22);
    QList<QByteArray> parts = ArticleFixtures::yencArticles(file, "right.rar", 5000);
    ASSERT_EQ(parts.size(), 4);
    const QByteArray other = ArticleFixtures::randomBytes(5000, 23);
    Part foreignPart = multiPart(3, 80, 10001, 393379, "other.rar");
    const QByteArray foreignBody = ArticleFixtures::yencBody(other, foreignPart);
    // Same name and size, but 5,000 bytes from offset 17,000.
    Part pastEnd = multiPart(4, 4, 17001, 20000, "right.rar");
    const QByteArray pastEndBody = ArticleFixtures::yencBody(other, pastEnd);

    RecordingSink sink;
    DecodeResult r = DeYenc::decodeToFile(
        request({parts[0], parts[1], foreignBody, parts[2], pastEndBody, parts[3]}), sink);
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(sink.file, file);
    EXPECT_EQ(r.fileSize, 20000);
    for (const RecordingSink::Write& w : sink.writes)
        EXPECT_LE(w.offset + w.size, 20000);
    const bool foreignWant[] = {false, false, true, false, true, false};
    for (size_t i = 0; i < r.segments.size(); ++i) {
        EXPECT_EQ(r.segments[i].foreign, foreignWant[i]) << i;
        EXPECT_EQ(r.segments[i].placed, !foreignWant[i]) << i;
    }
    EXPECT_TRUE(log().contains(QStringLiteral("Foreign article in part.bin (Job title)")));

    // Decoded one at a time as they arrive, the part's first article (from
    // an earlier run) sets what the others are held to, whichever comes
    // first in this run.
    const std::optional<YencPartIdentity> identity = DeYenc::identityOf(parts[1]);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->size, 20000);
    EXPECT_EQ(identity->name, QByteArray("right.rar"));
    DecodeRequest alone = request({foreignBody});
    alone.yencIdentity = identity;
    RecordingSink single;
    r = DeYenc::decodeToFile(alone, single);
    EXPECT_TRUE(r.segments[0].foreign);
    EXPECT_TRUE(single.writes.empty());
}

TEST_F(DeYencTest, NamesInLatin1AreReadNotDropped)
{
    const QByteArray latin1Name = "90E2Sdvsmds0801dvsmds90E\xE9\xE9\xE9.part06.rar";
    const DecodeResult r =
        DeYenc::decodeToFile(request({ArticleFixtures::yencBody("data", multiPart(1, 1, 1, 4, latin1Name))}));
    ASSERT_TRUE(r.isDecoded());
    EXPECT_EQ(r.filename, QStringLiteral("90E2Sdvsmds0801dvsmds90E\u00e9\u00e9\u00e9.part06.rar"));
    // UTF-8 stays UTF-8; the safe-name rules still apply.
    const DecodeResult u = DeYenc::decodeToFile(
        request({ArticleFixtures::yencBody("data", multiPart(1, 1, 1, 4, "../\xC3\xA9t\xC3\xA9.rar"))}));
    EXPECT_EQ(u.filename, QStringLiteral("\u00e9t\u00e9.rar"));
}

TEST_F(DeYencTest, CancellationStopsBeforeTheNextSegment)
{
    const QByteArray file = ArticleFixtures::randomBytes(900, 10);
    DecodeRequest r = request(ArticleFixtures::yencArticles(file, "f.bin", 300));
    int asked = 0;
    r.isCancelled = [&] { return ++asked > 1; };
    RecordingSink sink;
    EXPECT_EQ(DeYenc::decodeToFile(r, sink).outcome, DecodeOutcome::Cancelled);
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_TRUE(log().contains(QStringLiteral("Stop due cancellation :: Job title")));
}

TEST_F(DeYencTest, WritesEachArticleWholeAndReleasesBodies)
{
    // Each article is decoded whole before any of it is written (so that
    // one of another file never lands); every body is released once placed.
    const QByteArray file = ArticleFixtures::randomBytes(5 << 20, 12);
    DecodeRequest r = request(ArticleFixtures::yencArticles(file, "big.bin", 3 << 20));
    r.releaseBodies = true;
    RecordingSink sink;
    const DecodeResult result = DeYenc::decodeToFile(r, sink);
    ASSERT_TRUE(result.isDecoded());
    EXPECT_EQ(sink.file, file);
    ASSERT_EQ(sink.writes.size(), 2u);
    EXPECT_EQ(sink.writes[0].size, 3 << 20);
    EXPECT_EQ(sink.writes[1].size, 2 << 20);
    for (const QByteArray& b : bodies)
        EXPECT_TRUE(b.isNull());
    EXPECT_EQ(result.fileCrc32, ArticleFixtures::crc32Of(file));
    ASSERT_EQ(sink.expected.size(), 1u);
    EXPECT_EQ(sink.expected[0], file.size());
}

TEST_F(DeYencTest, RefusedWriteEndsTheDecoding)
{
    const QByteArray file = ArticleFixtures::randomBytes(900, 13);
    RecordingSink sink(1);
    const DecodeResult r =
        DeYenc::decodeToFile(request(ArticleFixtures::yencArticles(file, "f.bin", 300)), sink);
    EXPECT_EQ(r.outcome, DecodeOutcome::WriteFailed);
    EXPECT_TRUE(log().contains(QStringLiteral("Error building filepart in datablock f.bin: disk full")));
}

TEST_F(DeYencTest, DenseDotsAndCriticalBytesRoundTrip)
{
    // Bytes that encode to ".", "=", CR, LF, NUL and TAB, many at line starts.
    QByteArray file;
    const unsigned char critical[] = {4, 19, 227, 224, 214, 223, 4, 4};
    for (int i = 0; i < 5000; ++i)
        file.append(char(critical[i % 8]));
    for (int line : {1, 2, 3, 127, 128}) {
        Part p;
        p.fileSize = file.size();
        p.lineLength = line;
        const DecodeResult r = DeYenc::decodeToFile(request({ArticleFixtures::yencBody(file, p)}));
        EXPECT_EQ(r.data, file) << "line " << line;
    }
}
