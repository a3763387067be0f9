#include "search/DeepLookupContentParser.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "queue/StatusCodes.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/MessageCapture.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

class ContentParser : public ::testing::Test
{
protected:
    TempHome home;
    DeepLookupContentParser parser;

    DeepLookupContentParser::Result parse(const QList<QByteArrayList>& rows)
    {
        return parser.parseSearchResult(QString::fromUtf8(HttpReply::tabLines(rows)));
    }

    QueuePtr parseOne(const DeepLookupSearchRecord& record)
    {
        const DeepLookupContentParser::Result result = parse({record.fields()});
        if (!result.contentArray || result.contentArray->size() != 1) return nullptr;
        return result.contentArray->first();
    }
};

class Recorder : public DeepLookupParserDelegate
{
public:
    void parsingFinished(const DeepLookupContentParser::Result& result) override { results.append(result); }
    QList<DeepLookupContentParser::Result> results;
};

} // namespace

TEST_F(ContentParser, RecordFieldsGoToTheJob)
{
    DeepLookupSearchRecord r;
    r.title = "Big\rTitle\xE2\x80\xA8 \"x.rar\"";
    r.fid = "F77";
    r.bytes = "12345.6";
    r.date = "1700000123";
    r.ero = "1";
    r.groups = "alt.binaries.test,alt.binaries.misc";
    r.poster = "Me <me@x>";
    r.qid = "Q-77";
    r.totalfiles = "2";
    r.archives = "2";
    r.password = "Y";
    r.junk = "1";
    const QueuePtr job = parseOne(r);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->title(), QStringLiteral("BigTitle \"x.rar\" (2 arch)"));
    EXPECT_EQ(job->titleSuffix(), QStringLiteral(" (2 arch)"));
    EXPECT_EQ(job->fid(), QStringLiteral("F77"));
    EXPECT_DOUBLE_EQ(job->bytes(), 12345.6);
    EXPECT_EQ(job->date(), 1700000123);
    EXPECT_TRUE(job->ero());
    EXPECT_EQ(job->groups(), QStringLiteral("alt.binaries.test,alt.binaries.misc"));
    EXPECT_EQ(job->dpGroupsTextField(), QStringLiteral("a.b.test,a.b.misc"));
    EXPECT_EQ(job->poster(), QStringLiteral("Me <me@x>"));
    EXPECT_EQ(job->qid(), QStringLiteral("Q-77"));
    EXPECT_EQ(job->totalfiles(), 2);
    EXPECT_TRUE(job->hasPassword());
    EXPECT_TRUE(job->isJunk());
    EXPECT_FALSE(job->isFilepart());
    EXPECT_FALSE(job->isIncomplete());
    EXPECT_EQ(job->dpStatusTextField(), QStringLiteral("OK"));
    EXPECT_TRUE(job->fileparts().isEmpty());
    EXPECT_FALSE(job->filelistReceived());
}

TEST_F(ContentParser, IncompleteRule)
{
    struct Case
    {
        QByteArray par2, expected, available;
        qint64 threshold;
        bool incomplete;
    };
    const Case cases[] = {
        {"0", "10", "9", 0, true},      {"0", "10", "10", 0, false},     {"0", "10", "11", 0, false},
        {"2", "10", "9", 10, false},    {"2", "10", "9", 5, true},       {"2", "10", "9", 0, true},
        {"2", "10", "10", 0, false},    {"2", "0", "0", 0, false},       {"3", "0", "5", 50, false},
        {"1", "1000", "899", 10, true}, {"1", "1000", "900", 10, false},
    };
    for (const Case& c : cases) {
        UserDefaults::standard().setInteger(c.threshold, QStringLiteral("dpIncompletePercentageThreshold"));
        DeepLookupSearchRecord r;
        r.par2Files = c.par2;
        r.expected = c.expected;
        r.available = c.available;
        const QueuePtr job = parseOne(r);
        ASSERT_TRUE(job);
        const std::string name = (c.par2 + "/" + c.expected + "/" + c.available).toStdString();
        EXPECT_EQ(job->isIncomplete(), c.incomplete) << name << " T=" << c.threshold;
        EXPECT_EQ(job->dpStatusTextField(),
                  c.incomplete ? QStringLiteral("Incomplete") : QStringLiteral("OK"))
            << name;
    }
}

TEST_F(ContentParser, TitleSuffixes)
{
    struct Case
    {
        QByteArray totalfiles, archives, par2, images, nfo, nzb;
        QString suffix;
    };
    const Case cases[] = {
        {"12", "8", "4", "0", "0", "0", QStringLiteral(" (8 arch, 4 par)")},
        {"3", "0", "0", "0", "0", "0", QStringLiteral(" (3 other)")},
        {"20", "10", "5", "2", "1", "1", QStringLiteral(" (10 arch, 5 par, 2 img, nfo, nzb, 1 other)")},
        {"2", "0", "0", "0", "1", "1", QStringLiteral(" (nfo, nzb)")},
        {"1", "1", "0", "0", "0", "0", QString()},
        {"0", "0", "0", "0", "0", "0", QString()},
        // More counted than there are files: no negative "other".
        {"2", "5", "0", "0", "0", "0", QStringLiteral(" (5 arch)")},
        // Counts at the limit of their type (found by fuzzing): their sum
        // used to overflow.
        {"3", "9223372036854775807", "9223372036854775807", "9223372036854775807", "1", "1",
         QStringLiteral(
             " (9223372036854775807 arch, 9223372036854775807 par, 9223372036854775807 img, nfo, nzb)")},
    };
    for (const Case& c : cases) {
        DeepLookupSearchRecord r;
        r.title = "T";
        r.totalfiles = c.totalfiles;
        r.archives = c.archives;
        r.par2Files = c.par2;
        r.images = c.images;
        r.nfo = c.nfo;
        r.nzb = c.nzb;
        const QueuePtr job = parseOne(r);
        ASSERT_TRUE(job);
        EXPECT_EQ(job->titleSuffix(), c.suffix) << c.totalfiles.toStdString();
        EXPECT_EQ(job->title(), QStringLiteral("T") + c.suffix);
    }
}

TEST_F(ContentParser, OneFileResultArrivesWithItsFilePart)
{
    DeepLookupSearchRecord r;
    r.title = "Only [1/1] - \"only.vol07+08.PAR2\" yEnc";
    r.fid = "F-1";
    r.totalfiles = "1";
    r.par2Files = "1";
    r.expected = "3";
    r.available = "2";
    r.date = "1700000500";
    const QueuePtr job = parseOne(r);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->titleSuffix(), QString());
    EXPECT_TRUE(job->filelistReceived());
    EXPECT_TRUE(job->isParsOnly());
    EXPECT_TRUE(job->hasRepairFiles());
    ASSERT_EQ(job->fileparts().size(), 1);
    const QueuePtr part = job->fileparts().first();
    EXPECT_TRUE(part->isFilepart());
    EXPECT_EQ(part->queue(), job);
    EXPECT_EQ(part->fid(), QStringLiteral("F-1"));
    EXPECT_EQ(part->filename(), QStringLiteral("only.vol07+08.PAR2"));
    EXPECT_TRUE(part->ispar());
    EXPECT_EQ(part->repairblocks(), 8);
    EXPECT_TRUE(part->isIncomplete());
    EXPECT_EQ(part->date(), 1700000500);
}

TEST_F(ContentParser, QueuedResultIsTheQueuedJobRefreshed)
{
    const QueuePtr queued = Queue::create();
    queued->setQid(QStringLiteral("QID-Q"));
    queued->setTitle(QStringLiteral("My own title"));
    queued->setStatus(JobStatus::QueuedForDownload);
    queued->setDate(5);
    const QueuePtr nzb = Queue::create();
    nzb->setQid(QStringLiteral("QID-N"));
    nzb->setIsNZB(true);
    const QueuePtr upload = Queue::create();
    upload->setQid(QStringLiteral("QID-U"));
    upload->setIsUploadObject(true);
    parser.setQueuedJobs({queued, nzb, upload, nullptr});

    DeepLookupSearchRecord a;
    a.qid = "QID-Q";
    a.date = "1800000000";
    a.poster = "new poster";
    a.groups = "alt.binaries.new";
    DeepLookupSearchRecord b;
    b.qid = "QID-N";
    b.date = "1700000001";
    DeepLookupSearchRecord c;
    c.qid = "QID-U";
    c.date = "1700000002";
    const DeepLookupContentParser::Result result = parse({a.fields(), b.fields(), c.fields()});
    ASSERT_TRUE(result.contentArray);
    ASSERT_EQ(result.contentArray->size(), 3);
    EXPECT_EQ(result.contentArray->at(0), queued);
    EXPECT_EQ(queued->title(), QStringLiteral("My own title"));
    EXPECT_EQ(queued->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(queued->date(), 1800000000);
    EXPECT_EQ(queued->poster(), QStringLiteral("new poster"));
    EXPECT_EQ(queued->groups(), QStringLiteral("alt.binaries.new"));
    EXPECT_EQ(queued->dpGroupsTextField(), QStringLiteral("a.b.new"));
    // NZB jobs and uploads do not count as the result queued.
    EXPECT_NE(result.contentArray->at(1), nzb);
    EXPECT_NE(result.contentArray->at(2), upload);
    // The queued job's date does not raise the newest date.
    EXPECT_EQ(result.newestTimestamp, 1700000002);
}

TEST_F(ContentParser, NewAndPreviouslyDownloaded)
{
    parser.setLastSearchDate(1700000000);
    parser.setDownloadHistoryContainsQid([](const QString& qid) { return qid == QLatin1String("OLD"); });
    DeepLookupSearchRecord older;
    older.date = "1700000000";
    older.qid = "OLD";
    DeepLookupSearchRecord newer;
    newer.date = "1700000001";
    newer.qid = "NEW";
    newer.expected = "5";
    newer.available = "4";

    DeepLookupContentParser::Result result = parse({older.fields(), newer.fields()});
    ASSERT_TRUE(result.contentArray);
    ASSERT_EQ(result.contentArray->size(), 2);
    EXPECT_FALSE(result.contentArray->at(0)->isNew());
    EXPECT_TRUE(result.contentArray->at(0)->isPreviouslyDownloaded());
    EXPECT_EQ(result.contentArray->at(0)->dpStatusTextField(), QStringLiteral("Downloaded"));
    EXPECT_TRUE(result.contentArray->at(1)->isNew());
    EXPECT_FALSE(result.contentArray->at(1)->isPreviouslyDownloaded());
    EXPECT_EQ(result.contentArray->at(1)->dpStatusTextField(), QStringLiteral("Incomplete"));
    EXPECT_EQ(result.newestTimestamp, 1700000001);

    UserDefaults::standard().setBool(false, QStringLiteral("tagNewArticles"));
    UserDefaults::standard().setBool(false, QStringLiteral("enableDownloadHistory"));
    result = parse({older.fields(), newer.fields()});
    EXPECT_TRUE(result.contentArray->at(0)->isNew());
    EXPECT_TRUE(result.contentArray->at(1)->isNew());
    EXPECT_FALSE(result.contentArray->at(0)->isPreviouslyDownloaded());
}

TEST_F(ContentParser, InfoErrorAndRecordsThatAreSkipped)
{
    MessageCapture console("binorama.deeplookup");
    Recorder recorder;
    parser.setDelegate(&recorder);
    DeepLookupSearchRecord good;
    QByteArrayList shortRecord = good.fields();
    shortRecord.removeLast();
    const DeepLookupContentParser::Result result = parse({{"INFO", "1|2"},
                                                          {"INFO", "10|20|30|40"},
                                                          {"INFO"},
                                                          {"ERROR", "first"},
                                                          {"ERROR", "second"},
                                                          {"ERROR"},
                                                          shortRecord,
                                                          {"DATA", "x"},
                                                          {""},
                                                          good.fields()});
    ASSERT_TRUE(result.contentArray);
    EXPECT_EQ(result.contentArray->size(), 1);
    EXPECT_EQ(result.info, (QStringList{"10", "20", "30", "40"}));
    EXPECT_EQ(result.error, QStringLiteral("second"));
    EXPECT_TRUE(
        console.contains(QStringLiteral("ERROR PARSING: ") + QString::fromUtf8(shortRecord.join('\t'))));
    ASSERT_EQ(recorder.results.size(), 1);
    EXPECT_EQ(recorder.results[0].error, result.error);
}

TEST_F(ContentParser, NothingToShow)
{
    Recorder recorder;
    parser.setDelegate(&recorder);
    DeepLookupContentParser::Result result = parser.parseSearchResult(std::nullopt);
    EXPECT_FALSE(result.contentArray);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(recorder.results.size(), 1);

    result = parse({{"ERROR", "No results"}});
    EXPECT_FALSE(result.contentArray);
    EXPECT_EQ(result.error, QStringLiteral("No results"));
    EXPECT_EQ(result.newestTimestamp, 0);

    {
        Recorder gone;
        parser.setDelegate(&gone);
    }
    // A delegate that no longer exists is not called.
    parse({{"INFO", "a|b|c"}});
}

TEST(ContentParserHelpers, FormatNewsGroups)
{
    EXPECT_EQ(
        DeepLookupContentParser::formatNewsGroups(QStringLiteral("alt.binaries.test,alt.binaries.misc")),
        QStringLiteral("a.b.test,a.b.misc"));
    EXPECT_EQ(DeepLookupContentParser::formatNewsGroups(QStringLiteral("comp.os,alt.binariesx")),
              QStringLiteral("comp.os,alt.binariesx"));
}
