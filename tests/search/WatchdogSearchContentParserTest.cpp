// The reply of a Watchdog search turned into complete jobs.

#include "search/WatchdogSearchContentParser.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

// "FILE" "QID" title fid expected present par2 bytes date ero groups poster
// qid files (unused) password junk
QString job(const QString& qid, qint64 date, qint64 expected = 10, qint64 present = 10, qint64 par2 = 0)
{
    return QStringLiteral("FILE\tQID\tShow %1\nsecond line\tFID-%1\t%2\t%3\t%4\t1048576\t%5\t0\t"
                          "alt.binaries.test\tposter@x\t%1\t2\tx\t0\t0\n")
        .arg(qid)
        .arg(expected)
        .arg(present)
        .arg(par2)
        .arg(date)
        .replace(QStringLiteral("\nsecond line"), QStringLiteral("\rsecond line"));
}

QString part(const QString& fid, const QString& title)
{
    return QStringLiteral("FILE\tFID\t%2\t%1\t3\t3\t3000\t1700000000\n").arg(fid, title);
}

QString seg(const QString& mid, int number)
{
    return QStringLiteral("FILE\tSEG\t%1\t1000\t%2\n").arg(mid).arg(number);
}

struct WatchdogParser : ::testing::Test
{
    TempHome home;
    WatchdogSearchContentParser parser;
};

TEST_F(WatchdogParser, JobsCarryTheirPartsAndArticles)
{
    QString reply = QStringLiteral("INFO\ta|b|c\n") + job("Q1", 1700000000);
    for (const char* name : {"one.rar", "two.rar"}) {
        reply += part(QStringLiteral("F-") + name, QStringLiteral("Show [1/2] - \"%1\" yEnc").arg(name));
        for (int n = 3; n >= 1; --n) reply += seg(QStringLiteral("%1.%2@news").arg(name).arg(n), n);
    }
    const auto result = parser.parseSearchResult(reply);
    ASSERT_TRUE(result.contentArray);
    ASSERT_EQ(result.contentArray->size(), 1);
    EXPECT_EQ(result.info, QStringList({"a", "b", "c"}));
    const QueuePtr j = result.contentArray->first();
    EXPECT_EQ(j->title(), "Show Q1second line");
    EXPECT_EQ(j->qid(), "Q1");
    EXPECT_TRUE(j->isWatchdog());
    EXPECT_TRUE(j->filelistReceived());
    EXPECT_TRUE(j->segmentsReceived());
    EXPECT_EQ(j->dpGroupsTextField(), "a.b.test");
    ASSERT_EQ(j->fileparts().size(), 2);
    const QueuePtr p = j->fileparts()[1];
    EXPECT_EQ(p->filename(), "two.rar");
    EXPECT_EQ(p->queue(), j);
    ASSERT_EQ(p->segments().size(), 3);
    for (int i = 0; i < 3; ++i) {
        const SegmentPtr s = p->segments()[i];
        EXPECT_EQ(s->status(), ArticleStatus::Queued);
        EXPECT_EQ(s->segnr(), i + 1);
        EXPECT_EQ(s->mid(), QStringLiteral("<two.rar.%1@news>").arg(i + 1));
        EXPECT_EQ(s->filepart(), p);
    }
}

TEST_F(WatchdogParser, FilenameFromQuotesElseTheTitle)
{
    const auto result = parser.parseSearchResult(job("Q", 1) + part("F1", "post \"name.mkv\" yEnc") +
                                                  part("F2", "plain title"));
    const QList<QueuePtr> parts = result.contentArray->first()->fileparts();
    EXPECT_EQ(parts[0]->filename(), "name.mkv");
    EXPECT_EQ(parts[1]->filename(), "plain title");
}

TEST_F(WatchdogParser, IncompleteRuleAndAZeroExpectedCount)
{
    UserDefaults::standard().setInteger(10, QStringLiteral("dpIncompletePercentageThreshold"));
    struct Case
    {
        qint64 expected, present, par2;
        const char* status;
    };
    const Case cases[] = {{1000, 899, 1, "Incomplete"}, {1000, 900, 1, "OK"}, {1000, 999, 0, "Incomplete"},
                          {0, 0, 1, "OK"},              {0, 5, 0, "OK"}};
    for (const Case& c : cases) {
        const auto result = parser.parseSearchResult(job("Q", 1, c.expected, c.present, c.par2));
        EXPECT_EQ(result.contentArray->first()->dpStatusTextField(), c.status)
            << c.expected << "/" << c.present << " par2 " << c.par2;
    }
}

TEST_F(WatchdogParser, OldestFirstAndOrphansDropped)
{
    const QString reply = seg("orphan@x", 1) + part("F0", "orphan part") + job("NEW", 300) + job("MID", 200) +
                          job("OLD", 100) + QStringLiteral("ERROR\tsomething odd\n") +
                          QStringLiteral("FILE\tQID\tshort\n");
    const auto result = parser.parseSearchResult(reply);
    ASSERT_TRUE(result.contentArray);
    QStringList qids;
    for (const QueuePtr& j : *result.contentArray) {
        qids.append(j->qid());
        EXPECT_TRUE(j->fileparts().isEmpty());
    }
    EXPECT_EQ(qids, QStringList({"OLD", "MID", "NEW"}));
    EXPECT_EQ(result.newestTimestamp, 300);
    EXPECT_EQ(result.error, QStringLiteral("something odd"));
}

TEST_F(WatchdogParser, UnusableMessageIdsAreDroppedAndLogged)
{
    const QString reply = job("Q", 1) + part("F", "\"f.bin\"") + seg("good@x", 1) + seg("has blank@x", 2) +
                          seg(QStringLiteral("ctl\x01@x"), 3) + seg("a>b@x", 4) + seg("<c@x", 5) + seg("", 6) +
                          seg("fine@x", 7);
    const auto result = parser.parseSearchResult(reply);
    const QList<SegmentPtr> segments = result.contentArray->first()->fileparts().first()->segments();
    QStringList mids;
    for (const SegmentPtr& s : segments) mids.append(s->mid());
    EXPECT_EQ(mids, QStringList({"<good@x>", "<fine@x>"}));
    EXPECT_GE(LogFileReader(home.logFilePath()).linesContaining(QStringLiteral("message-id is not usable")).size(), 4);
}

TEST_F(WatchdogParser, NoReplyOrNoJobsGivesNoContent)
{
    EXPECT_FALSE(parser.parseSearchResult(std::nullopt).contentArray);
    const auto result = parser.parseSearchResult(QStringLiteral("INFO\tonly|two\n"));
    EXPECT_FALSE(result.contentArray);
    EXPECT_FALSE(result.info);
}

} // namespace
