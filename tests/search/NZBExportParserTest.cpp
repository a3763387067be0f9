#include "search/NZBExportParser.h"

#include "queue/Queue.h"
#include "queue/Segment.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

namespace {

using R = DeepLookupReplyBuilder;

NZBExportParser::Result parse(const QList<QByteArrayList>& rows)
{
    return NZBExportParser().parseSearchResult(QString::fromUtf8(HttpReply::tabLines(rows)));
}

QStringList titles(const QList<QueuePtr>& jobs)
{
    QStringList out;
    for (const QueuePtr& j : jobs)
        out.append(j->title());
    return out;
}

QStringList mids(const QueuePtr& part)
{
    QStringList out;
    for (const SegmentPtr& s : part->segments())
        out.append(s->mid());
    return out;
}

} // namespace

TEST(NZBExportParser, RecordsNestByOrderIntoRootsFilesAndSegments)
{
    const NZBExportParser::Result result = parse({
        {"INFO", "2|results|ok"},
        R::exportResult("Newer\r\xE2\x80\xA8Result", "12345.6", 1700000200, "alt.binaries.a,alt.binaries.b",
                        "me@x", 2),
        R::exportFile("newer [1/2] - \"n1.rar\" yEnc (1/2)", "2000", 1700000201),
        R::exportSegment("n1.1@x", "1000", 1),
        R::exportSegment("n1.2@x", "1000.4", 2),
        R::exportFile("newer [2/2] - \"n2.rar\" yEnc (1/1)", "10", 1700000202),
        R::exportSegment("n2.1@x", "10", 1),
        R::exportResult("Older", "10", 1700000100, "alt.binaries.c", "you@x", 1),
        R::exportFile("older \"o.bin\"", "10", 1700000101),
        R::exportSegment("o.1@x", "10", 1),
    });
    ASSERT_TRUE(result.contentArray);
    ASSERT_EQ(result.contentArray->size(), 2);
    EXPECT_EQ(titles(*result.contentArray), (QStringList{"Older", "NewerResult"}));
    EXPECT_EQ(result.info, (QStringList{"2", "results", "ok"}));
    EXPECT_FALSE(result.error);

    const QueuePtr newer = result.contentArray->at(1);
    EXPECT_DOUBLE_EQ(newer->bytes(), 12345.6);
    EXPECT_EQ(newer->date(), 1700000200);
    // Two full group names stay one text, unshortened.
    EXPECT_EQ(newer->groups(), QStringLiteral("alt.binaries.a,alt.binaries.b"));
    EXPECT_EQ(newer->poster(), QStringLiteral("me@x"));
    EXPECT_EQ(newer->totalfiles(), 2);
    EXPECT_TRUE(newer->qid().isEmpty());
    EXPECT_FALSE(newer->isFilepart());
    ASSERT_EQ(newer->filepartCount(), 2);
    const QueuePtr n1 = newer->fileparts().at(0);
    EXPECT_TRUE(n1->isFilepart());
    EXPECT_EQ(n1->queue(), newer);
    EXPECT_EQ(n1->title(), QStringLiteral("newer [1/2] - \"n1.rar\" yEnc (1/2)"));
    EXPECT_DOUBLE_EQ(n1->bytes(), 2000);
    EXPECT_EQ(n1->date(), 1700000201);
    // Message-ids as sent, without brackets added.
    EXPECT_EQ(mids(n1), (QStringList{"n1.1@x", "n1.2@x"}));
    const SegmentPtr second = n1->segments().at(1);
    EXPECT_DOUBLE_EQ(second->bytes(), 1000.4);
    EXPECT_EQ(second->segnr(), 2);
    EXPECT_EQ(second->filepart(), n1);
    EXPECT_EQ(second->queue(), newer);
    EXPECT_EQ(mids(newer->fileparts().at(1)), QStringList{"n2.1@x"});
    EXPECT_EQ(titles(result.contentArray->at(0)->fileparts()), QStringList{"older \"o.bin\""});
}

TEST(NZBExportParser, RecordsThatBelongNowhereAreDropped)
{
    const NZBExportParser::Result result = parse({
        R::exportSegment("before-any-file@x", "1", 1),
        R::exportFile("file before any result", "1", 1),
        R::exportSegment("of-the-orphan-file@x", "1", 1),
        R::exportResult("First", "1", 10, "g", "p", 1),
        R::exportSegment("before-first-file@x", "1", 1),
        R::exportFile("first file", "1", 11),
        R::exportSegment("f.1@x", "1", 1),
        R::exportResult("Second", "1", 20, "g", "p", 1),
        // Not an article of the first result's file.
        R::exportSegment("before-second-file@x", "1", 1),
        R::exportFile("second file", "1", 21),
        R::exportSegment("s.1@x", "1", 1),
        // Records too short for their kind, and other kinds.
        {"FILE", "QID", "short", "1"},
        {"FILE", "SEG", "short@x"},
        {"FILE", "XYZ", "a", "b", "c", "d", "e", "f"},
        {"DATA", "x", "y"},
        {"INFO", "only|two"},
        {"ERROR"},
    });
    ASSERT_TRUE(result.contentArray);
    ASSERT_EQ(result.contentArray->size(), 2);
    const QueuePtr first = result.contentArray->at(0);
    const QueuePtr second = result.contentArray->at(1);
    EXPECT_EQ(titles(first->fileparts()), QStringList{"first file"});
    EXPECT_EQ(mids(first->fileparts().first()), QStringList{"f.1@x"});
    EXPECT_EQ(titles(second->fileparts()), QStringList{"second file"});
    EXPECT_EQ(mids(second->fileparts().first()), QStringList{"s.1@x"});
    EXPECT_FALSE(result.info);
    EXPECT_FALSE(result.error);
}

TEST(NZBExportParser, RepliesWithoutResults)
{
    NZBExportParser::Result result = parse({{"ERROR", "Result no longer available"}, {"INFO", "a|b|c"}});
    EXPECT_FALSE(result.contentArray);
    EXPECT_EQ(result.error, QStringLiteral("Result no longer available"));
    EXPECT_EQ(result.info, (QStringList{"a", "b", "c"}));

    result = NZBExportParser().parseSearchResult(std::nullopt);
    EXPECT_FALSE(result.contentArray);
    EXPECT_FALSE(result.error);

    // Equal dates keep their order in the reply.
    result = parse({R::exportResult("A", "1", 5, "g", "p", 0), R::exportResult("B", "1", 5, "g", "p", 0),
                    R::exportResult("C", "1", 4, "g", "p", 0)});
    ASSERT_TRUE(result.contentArray);
    EXPECT_EQ(titles(*result.contentArray), (QStringList{"C", "A", "B"}));
}
