#include "search/DeepLookupChildsParser.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "search/DeepLookupRecord.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/MessageCapture.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

class ChildsParser : public ::testing::Test
{
protected:
    TempHome home;
    DeepLookupChildsParser parser;
    QueuePtr job = Queue::create();

    DeepLookupChildsParser::Result parse(const QList<QByteArrayList>& rows,
                                         const std::optional<QString>& failure = std::nullopt)
    {
        return parser.parseQueryResult(QString::fromUtf8(HttpReply::tabLines(rows)), job, failure);
    }
};

} // namespace

TEST_F(ChildsParser, FileRecordsBecomeFilePartsOfTheJob)
{
    parser.setLastSearchDate(1700000000);
    parser.setDownloadHistoryContainsFid([](const QString& fid) { return fid == QLatin1String("F2"); });
    DeepLookupFileRecord a;
    a.title = "Show [1/3] - \"show.part1.rar\" yEnc\r";
    a.fid = "F1";
    a.bytes = "25000000.5";
    a.date = "1700000001";
    a.ero = "1";
    DeepLookupFileRecord b;
    b.title = "Show [2/3] - \"show.part2.rar\" yEnc";
    b.fid = "F2";
    b.expected = "50";
    b.available = "49";
    b.date = "1700000000";
    DeepLookupFileRecord c;
    c.title = "Show [3/3] - \"show.SAMPLE.mkv\" yEnc";
    c.fid = "F3";
    c.expected = "50";
    c.available = "49";

    const DeepLookupChildsParser::Result result = parse({{"INFO", "x"}, a.fields(), b.fields(), c.fields()});
    EXPECT_FALSE(result.failed());
    ASSERT_EQ(result.contentArray.size(), 3);
    const QueuePtr p1 = result.contentArray[0];
    EXPECT_TRUE(p1->isFilepart());
    EXPECT_EQ(p1->queue(), job);
    EXPECT_EQ(p1->title(), QStringLiteral("Show [1/3] - \"show.part1.rar\" yEnc"));
    EXPECT_EQ(p1->filename(), QStringLiteral("show.part1.rar"));
    EXPECT_EQ(p1->fid(), QStringLiteral("F1"));
    EXPECT_DOUBLE_EQ(p1->bytes(), 25000000.5);
    EXPECT_EQ(p1->date(), 1700000001);
    EXPECT_TRUE(p1->ero());
    EXPECT_FALSE(p1->ispar());
    EXPECT_TRUE(p1->isNew());
    EXPECT_EQ(p1->dpStatusTextField(), QStringLiteral("OK"));
    EXPECT_FALSE(p1->isSampleFile());

    const QueuePtr p2 = result.contentArray[1];
    EXPECT_FALSE(p2->isNew());
    EXPECT_TRUE(p2->isIncomplete());
    EXPECT_TRUE(p2->isPreviouslyDownloaded());
    EXPECT_EQ(p2->dpStatusTextField(), QStringLiteral("Downloaded"));

    const QueuePtr p3 = result.contentArray[2];
    EXPECT_EQ(p3->dpStatusTextField(), QStringLiteral("Incomplete"));
    EXPECT_TRUE(p3->isSampleFile());
    EXPECT_FALSE(job->hasRepairFiles());
}

TEST_F(ChildsParser, Par2VolumeCountsItsBlocksAndMarksTheJob)
{
    DeepLookupFileRecord par;
    par.title = "Show - \"show.vol07+08.par2\" yEnc";
    par.par2 = "1";
    DeepLookupFileRecord index;
    index.title = "Show - \"show.par2\" yEnc";
    index.par2 = "1";
    const DeepLookupChildsParser::Result result = parse({par.fields(), index.fields()});
    ASSERT_EQ(result.contentArray.size(), 2);
    EXPECT_TRUE(result.contentArray[0]->ispar());
    EXPECT_EQ(result.contentArray[0]->repairblocks(), 8);
    EXPECT_EQ(result.contentArray[1]->repairblocks(), 0);
    EXPECT_TRUE(job->hasRepairFiles());
}

TEST_F(ChildsParser, NewnessFollowsTheSetting)
{
    UserDefaults::standard().setBool(false, QStringLiteral("tagNewArticles"));
    parser.setLastSearchDate(2000000000);
    const DeepLookupChildsParser::Result result = parse({DeepLookupFileRecord().fields()});
    ASSERT_EQ(result.contentArray.size(), 1);
    EXPECT_TRUE(result.contentArray[0]->isNew());

    UserDefaults::standard().setBool(false, QStringLiteral("enableDownloadHistory"));
    parser.setDownloadHistoryContainsFid([](const QString&) { return true; });
    EXPECT_FALSE(parse({DeepLookupFileRecord().fields()}).contentArray[0]->isPreviouslyDownloaded());
}

TEST(ChildsParserNames, FileNamesAreOneSafePathComponent)
{
    struct Case
    {
        QString subject;
        QString filename;
    };
    const Case cases[] = {
        {QStringLiteral("Show [1/3] - \"show.part1.rar\" yEnc"), QStringLiteral("show.part1.rar")},
        {QStringLiteral("first \"a.bin\" then \"b.bin\""), QStringLiteral("a.bin")},
        {QStringLiteral("no quotes: a/b\\c?d%e*f|g<h>i.txt"), QStringLiteral("no quotes: abcdefghi.txt")},
        {QStringLiteral("one \" quote"), QStringLiteral("one  quote")},
        {QStringLiteral("empty \"\" quotes"), QStringLiteral("empty  quotes")},
        // Names quoted by a poster never lead out of the job's folder.
        {QStringLiteral("x \"../../.bashrc\" y"), QStringLiteral(".bashrc")},
        {QStringLiteral("x \"/etc/passwd\" y"), QStringLiteral("passwd")},
        {QStringLiteral("x \"C:\\dir\\evil.exe\" y"), QStringLiteral("evil.exe")},
        {QStringLiteral("x \"..\" y"), QStringLiteral("x .. y")},
        {QStringLiteral("x \"dir/\" y"), QStringLiteral("x dir y")},
        {QStringLiteral("\"a\tb\x01.bin\""), QStringLiteral("ab.bin")},
        {QStringLiteral(".."), QStringLiteral("no_name")},
        {QStringLiteral("\"..\""), QStringLiteral("no_name")},
        {QStringLiteral(""), QStringLiteral("no_name")},
        {QStringLiteral("Käse \"Grüße.txt\""), QStringLiteral("Grüße.txt")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeepLookupChildsParser::getFilename(c.subject), c.filename) << c.subject.toStdString();

    const QString longName = QString(300, QLatin1Char('a')) + QStringLiteral(".mkv");
    const QString cut = DeepLookupChildsParser::getFilename(QLatin1Char('"') + longName + QLatin1Char('"'));
    EXPECT_LE(cut.toUtf8().size(), 255);
    EXPECT_TRUE(cut.endsWith(QLatin1String(".mkv")));
}

TEST(ChildsParserNames, Helpers)
{
    EXPECT_EQ(DeepLookupChildsParser::filterFilenameBetweenQuotes(QStringLiteral("a \"b\" c")),
              QStringLiteral("b"));
    EXPECT_EQ(DeepLookupChildsParser::filterFilenameBetweenQuotes(QStringLiteral("a b c")), std::nullopt);
    EXPECT_EQ(DeepLookupChildsParser::makeCleanFilename(QStringLiteral("/\\?%*|\"<>ok")),
              QStringLiteral("ok"));
    EXPECT_EQ(DeepLookupChildsParser::removeLineBreaksFromTitle(
                  QString::fromUtf16(u"a\nb\rc\u0085d\u2028e\u2029f\tg")),
              QStringLiteral("abcdef\tg"));
}

TEST_F(ChildsParser, ErrorsAreErrorsNeverAnEmptyList)
{
    MessageCapture console("binorama.deeplookup");
    DeepLookupFileRecord good;
    QByteArrayList shortRecord = good.fields();
    shortRecord.removeLast();

    DeepLookupChildsParser::Result result = parse({shortRecord, good.fields(), {"ERROR", "Result expired"}});
    EXPECT_TRUE(result.failed());
    EXPECT_EQ(result.error, QStringLiteral("Result expired"));
    EXPECT_TRUE(result.contentArray.isEmpty());
    EXPECT_TRUE(
        console.contains(QStringLiteral("ERROR PARSING: ") + QString::fromUtf8(shortRecord.join('\t'))));
    EXPECT_TRUE(
        console.contains(QStringLiteral("[DeepLookupChildsParser parseQueryResult] ERROR: Result expired")));

    // A web server's error page.
    result = parser.parseQueryResult(QString::fromUtf8(HttpReply::errorPage(404).body), job);
    EXPECT_EQ(result.error, QStringLiteral("404 Page Not Found"));
    EXPECT_TRUE(result.contentArray.isEmpty());

    // A reply the socket judged a failure: its text, unless the reply said
    // more itself.
    result = parse({{"ab"}}, QStringLiteral("No valid response from server (104)"));
    EXPECT_EQ(result.error, QStringLiteral("No valid response from server (104)"));
    result = parse({{"WARN"}, good.fields()}, QStringLiteral("No data received from server"));
    EXPECT_EQ(result.error, QStringLiteral("No data received from server"));
    EXPECT_TRUE(result.contentArray.isEmpty());
    result = parse({{"ERROR", "Quota exceeded"}}, QStringLiteral("No data received from server"));
    EXPECT_EQ(result.error, QStringLiteral("Quota exceeded"));
    result =
        parser.parseQueryResult(std::nullopt, job, QStringLiteral("No valid response from server (101)"));
    EXPECT_EQ(result.error, QStringLiteral("No valid response from server (101)"));

    result = DeepLookupChildsParser::failedRequest(QStringLiteral("Could not connect to DeepLookup server."));
    EXPECT_TRUE(result.failed());
    EXPECT_TRUE(result.contentArray.isEmpty());
}

TEST_F(ChildsParser, AReplyWithoutFilesAndWithoutErrorIsAnEmptyList)
{
    const DeepLookupChildsParser::Result result = parse({{"INFO", "nothing"}});
    EXPECT_FALSE(result.failed());
    EXPECT_TRUE(result.contentArray.isEmpty());
}
