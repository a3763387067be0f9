#include "search/DeepLookupSocket.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "search/DeepLookupObject.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class DeepLookupRequest : public ::testing::Test
{
protected:
    TempHome home;
};

QueuePtr jobWith(const QString& qid, bool ero)
{
    QueuePtr job = Queue::create();
    job->setQid(qid);
    job->setEro(ero);
    return job;
}

QueuePtr partOf(const QueuePtr& job, const QString& fid)
{
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setFid(fid);
    part->setQueue(job);
    job->appendFilepart(part);
    return part;
}

} // namespace

TEST(DeepLookupEscaping, OnlyTheQueryCharactersLessFourAreKept)
{
    EXPECT_EQ(DeepLookupSocket::urlEncodeString(QStringLiteral("ä+=?& b")),
              QStringLiteral("%C3%A4%2B%3D%3F%26%20b"));
    EXPECT_EQ(DeepLookupSocket::urlEncodeString(QStringLiteral("Az09!$'()*,-./:;@_~")),
              QStringLiteral("Az09!$'()*,-./:;@_~"));
    EXPECT_EQ(DeepLookupSocket::urlEncodeString(QStringLiteral("#%\"<>[]\\^`{|}")),
              QStringLiteral("%23%25%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D"));
    EXPECT_EQ(DeepLookupSocket::urlEncodeString(QStringLiteral("\t\n日")), QStringLiteral("%09%0A%E6%97%A5"));
    EXPECT_EQ(DeepLookupSocket::urlEncodeString(QString()), QString());
}

TEST_F(DeepLookupRequest, SearchBodiesForATableOfQueries)
{
    struct Case
    {
        const char* name;
        std::function<void(DeepLookupObject&)> fill;
        bool hideObfuscation;
        bool hidePwd;
        QByteArray body;
    };
    const Case cases[] = {
        {"nothing present", [](DeepLookupObject&) {}, false, false, ""},
        {"empty title still sent", [](DeepLookupObject& q) { q.setTitle(QString()); }, false, false,
         "query=&"},
        {"empty fields of the page",
         [](DeepLookupObject& q) {
             for (auto set :
                  {&DeepLookupObject::setTitle, &DeepLookupObject::setGroup, &DeepLookupObject::setPoster,
                   &DeepLookupObject::setMinsize, &DeepLookupObject::setMaxsize})
                 (q.*set)(QString());
         },
         false, false, "query=&minsize=&maxsize=&poster=&group=&"},
        {"escaping", [](DeepLookupObject& q) { q.setTitle(QStringLiteral("ä+=?& b")); }, false, false,
         "query=%C3%A4%2B%3D%3F%26%20b&"},
        {"every key in table order",
         [](DeepLookupObject& q) {
             q.setLimit(QStringLiteral("1000"));
             q.setOffset(QStringLiteral("2000"));
             q.setGroup(QStringLiteral("alt.binaries.test,a.b.x"));
             q.setPoster(QStringLiteral("me@home"));
             q.setMaxsize(QStringLiteral("2 GB"));
             q.setMinsize(QStringLiteral("10"));
             q.setEro(QStringLiteral("2"));
             q.setEnddate(QStringLiteral("1699999999"));
             q.setStartdate(QStringLiteral("30"));
             q.setTitle(QStringLiteral("linux iso"));
             q.setSearchInFilenames(true);
         },
         true, true,
         "query=linux%20iso&startdate=30&enddate=1699999999&ero=2&minsize=10&maxsize=2%20GB&poster=me@home&"
         "group=alt.binaries.test,a.b.x&hideobfuscated=1&hidepwd=1&offset=2000&limit=1000&filenamesincluded="
         "1&"},
        {"settings alone", [](DeepLookupObject&) {}, true, false, "hideobfuscated=1&"},
        {"password setting alone", [](DeepLookupObject&) {}, false, true, "hidepwd=1&"},
        {"file names flag", [](DeepLookupObject& q) { q.setSearchInFilenames(true); }, false, false,
         "filenamesincluded=1&"},
        {"first page: no enddate",
         [](DeepLookupObject& q) {
             q.setTitle(QStringLiteral("x"));
             q.setOffset(QStringLiteral("0"));
             q.setLimit(QStringLiteral("1000"));
         },
         false, false, "query=x&offset=0&limit=1000&"},
        {"values sent as typed, never as numbers",
         [](DeepLookupObject& q) {
             q.setMinsize(QStringLiteral("007"));
             q.setEro(QStringLiteral(" 1"));
         },
         false, false, "ero=%201&minsize=007&"},
    };
    for (const Case& c : cases) {
        UserDefaults::standard().setBool(c.hideObfuscation, QStringLiteral("dpHideObfuscation"));
        UserDefaults::standard().setBool(c.hidePwd, QStringLiteral("dpHidePwdEntries"));
        DeepLookupObject query;
        c.fill(query);
        EXPECT_EQ(DeepLookupSocket::searchQueryBody(query), c.body) << c.name;
    }
}

TEST_F(DeepLookupRequest, WatchdogBodyNeverCarriesThePagesOwnKeys)
{
    UserDefaults::standard().setBool(true, QStringLiteral("dpHideObfuscation"));
    UserDefaults::standard().setBool(true, QStringLiteral("dpHidePwdEntries"));
    DeepLookupObject query;
    query.setTitle(QStringLiteral("a b"));
    query.setEnddate(QStringLiteral("123"));
    query.setStartdate(QStringLiteral("30"));
    query.setEro(QStringLiteral("0"));
    query.setGroup(QStringLiteral("g"));
    query.setOffset(QStringLiteral("0"));
    query.setLimit(QStringLiteral("100"));
    query.setSearchInFilenames(true);

    EXPECT_EQ(DeepLookupSocket::watchdogSearchBody(query, 0, false, std::nullopt),
              QByteArray("query=a%20b&ero=0&group=g&offset=0&limit=100&"));
    EXPECT_EQ(DeepLookupSocket::watchdogSearchBody(query, 1700000000, true, QStringLiteral("Q1,Q2")),
              QByteArray("query=a%20b&startdate=1700000000&ero=0&group=g&hidepwd=1&offset=0&limit=100&"
                         "oldqids=Q1,Q2&"));
    EXPECT_EQ(DeepLookupSocket::watchdogSearchBody(DeepLookupObject(), 0, false, QString()),
              QByteArray("oldqids=&"));
}

TEST(DeepLookupOldQids, TwelveHourCutoffHundredRowsAndEmptyList)
{
    const qint64 now = 1'700'000'000;
    EXPECT_EQ(DeepLookupSocket::makeOldQidsString({}, now), std::nullopt);
    EXPECT_EQ(DeepLookupSocket::makeOldQidsString({{"A", now - 43200}, {"B", now - 90000}}, now), QString());
    EXPECT_EQ(DeepLookupSocket::makeOldQidsString(
                  {{"A", now}, {"B", now - 43199}, {"C", now - 43200}, {"D", now - 10}}, now),
              QStringLiteral("A,B,D"));

    QList<std::pair<QString, qint64>> history;
    for (int i = 0; i < 150; ++i)
        history.append({QStringLiteral("Q%1").arg(i), now});
    const QStringList listed = DeepLookupSocket::makeOldQidsString(history, now)->split(QLatin1Char(','));
    ASSERT_EQ(listed.size(), 100);
    EXPECT_EQ(listed.first(), QStringLiteral("Q0"));
    EXPECT_EQ(listed.last(), QStringLiteral("Q99"));
}

TEST_F(DeepLookupRequest, FileListAndExportBodies)
{
    EXPECT_EQ(DeepLookupSocket::childFilesBody(*jobWith(QStringLiteral("QID-9"), false)),
              QByteArray("qid=QID-9&e=0"));
    EXPECT_EQ(DeepLookupSocket::childFilesBody(*jobWith(QStringLiteral("QID-9"), true)),
              QByteArray("qid=QID-9&e=1"));
    // The file-list body is sent as it stands; the export escapes.
    EXPECT_EQ(DeepLookupSocket::childFilesBody(*jobWith(QStringLiteral("a b"), false)),
              QByteArray("qid=a b&e=0"));
    EXPECT_EQ(DeepLookupSocket::nzbExportBody(*jobWith(QStringLiteral("a b"), false)),
              QByteArray("qid=a%20b&"));
    EXPECT_EQ(DeepLookupSocket::nzbExportBody(*jobWith(QStringLiteral("Q"), true)),
              QByteArray("qid=Q&ero=1&"));
}

TEST_F(DeepLookupRequest, ArticleListBodyCarriesOneContentFlag)
{
    const QueuePtr plain = jobWith(QStringLiteral("P"), false);
    const QueuePtr ero = jobWith(QStringLiteral("E"), true);
    FilepartsByFid onlyEro{{"e1", partOf(ero, "e1")}, {"e2", partOf(ero, "e2")}};
    EXPECT_EQ(DeepLookupSocket::midsBody(onlyEro), QByteArray("fids=e1,e2&ero=1"));

    FilepartsByFid mixed = onlyEro;
    mixed.insert("p1", partOf(plain, "p1"));
    mixed.insert("p2", partOf(plain, "p2"));
    EXPECT_EQ(DeepLookupSocket::midsBody(mixed), QByteArray("fids=p1,p2&ero=0"));
    EXPECT_EQ(DeepLookupSocket::buildMidsQueryString(mixed, true), QStringLiteral("e1,e2"));

    EXPECT_EQ(DeepLookupSocket::midsBody({}), std::nullopt);
    // A part whose job is gone is never asked for.
    FilepartsByFid orphan{{"o", Queue::create()}};
    EXPECT_EQ(DeepLookupSocket::midsBody(orphan), std::nullopt);
}

TEST_F(DeepLookupRequest, BatchesAreSplitByFlagAndSizeSoThatEveryPartIsAskedFor)
{
    const QueuePtr plain = jobWith(QStringLiteral("P"), false);
    const QueuePtr ero = jobWith(QStringLiteral("E"), true);
    FilepartsByFid batch;
    for (int i = 0; i < 250; ++i) {
        const QString fid = QStringLiteral("p%1").arg(i, 3, 10, QLatin1Char('0'));
        batch.insert(fid, partOf(plain, fid));
    }
    for (int i = 0; i < 3; ++i) {
        const QString fid = QStringLiteral("e%1").arg(i);
        batch.insert(fid, partOf(ero, fid));
    }
    batch.insert(QStringLiteral("orphan"), Queue::create());

    const QList<FilepartsByFid> requests = DeepLookupSocket::makeMidsBatches(batch, 200);
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[0].size(), 200);
    EXPECT_EQ(requests[1].size(), 50);
    EXPECT_EQ(requests[2].size(), 3);
    QSet<QString> asked;
    for (const FilepartsByFid& request : requests) {
        const std::optional<QByteArray> body = DeepLookupSocket::midsBody(request);
        ASSERT_TRUE(body);
        const bool eroRequest = body->endsWith("&ero=1");
        for (auto it = request.cbegin(); it != request.cend(); ++it) {
            EXPECT_EQ(it.value()->queue()->ero(), eroRequest);
            EXPECT_TRUE(body->contains(it.key().toUtf8()));
            asked.insert(it.key());
        }
    }
    EXPECT_EQ(asked.size(), 253);
    EXPECT_FALSE(asked.contains(QStringLiteral("orphan")));
    EXPECT_TRUE(DeepLookupSocket::makeMidsBatches({}, 200).isEmpty());
}

TEST(DeepLookupReply, Judgement)
{
    const QString retry = QStringLiteral("Please try again or contact support.");
    struct Case
    {
        const char* name;
        bool hadBody;
        std::optional<QString> text;
        std::optional<QString> title;
        QString subtitle;
        std::optional<QString> result;
        DeepLookupSocket::Verdict verdict;
    };
    using V = DeepLookupSocket::Verdict;
    const Case cases[] = {
        {"no body", false, std::nullopt, QStringLiteral("No valid response from server (101)"), retry,
         std::nullopt, V::NoBody},
        {"unreadable body", true, std::nullopt, QStringLiteral("No valid response from server (102)"), retry,
         std::nullopt, V::Unreadable},
        {"envelope", true, QStringLiteral("[START]\tX\tT\tS\t[END]"), QStringLiteral("T"),
         QStringLiteral("S"), QStringLiteral("X\tT\tS"), V::Envelope},
        {"envelope inside other text, over lines", true,
         QStringLiteral("INFO\t1|2|3\n[START]\tX\nY\tT\tS\t[END]\n"), QStringLiteral("T"),
         QStringLiteral("S"), QStringLiteral("X\nY\tT\tS"), V::Envelope},
        {"envelope of two fields", true, QStringLiteral("[START]\tX\tT\t[END]"),
         QStringLiteral("No valid response from server (103)"), retry, QStringLiteral("X\tT"), V::Envelope},
        {"two characters", true, QStringLiteral("ab"), QStringLiteral("No valid response from server (104)"),
         retry, QStringLiteral("ab"), V::TooShort},
        {"empty body", true, QString(), QStringLiteral("No valid response from server (104)"), retry,
         QString(), V::TooShort},
        {"HTML page", true, QStringLiteral("<html><head><title>404 Not Found</title></head></html>"),
         QStringLiteral("No data received from server"), retry,
         QStringLiteral("<html><head><title>404 Not Found</title></head></html>"), V::NoRecords},
        {"an ERROR record", true, QStringLiteral("ERROR\tquota"),
         QStringLiteral("No data received from server"), retry, QStringLiteral("ERROR\tquota"), V::NoRecords},
        {"lower-case kind", true, QStringLiteral("file\tx"), QStringLiteral("No data received from server"),
         retry, QStringLiteral("file\tx"), V::NoRecords},
        {"INFO", true, QStringLiteral("INFO\t1|2|3\n"), std::nullopt, QString(),
         QStringLiteral("INFO\t1|2|3\n"), V::Good},
        {"FILE", true, QStringLiteral("FILE\tx"), std::nullopt, QString(), QStringLiteral("FILE\tx"),
         V::Good},
        {"DATA", true, QStringLiteral("DATA"), std::nullopt, QString(), QStringLiteral("DATA"), V::Good},
    };
    for (const Case& c : cases) {
        const DeepLookupSocket::Judgement j = DeepLookupSocket::judgeReply(c.hadBody, c.text);
        ASSERT_EQ(j.failure.has_value(), c.title.has_value()) << c.name;
        if (c.title) {
            EXPECT_EQ(j.failure->title, *c.title) << c.name;
            EXPECT_EQ(j.failure->subtitle, c.subtitle) << c.name;
        }
        EXPECT_EQ(j.resultText, c.result) << c.name;
        EXPECT_EQ(j.verdict, c.verdict) << c.name;
    }
    // Other services' record kinds.
    EXPECT_FALSE(
        DeepLookupSocket::judgeReply(true, QStringLiteral("LIST\tg\t0"),
                                     {QStringLiteral("INFO"), QStringLiteral("LIST"), QStringLiteral("DATA")})
            .failure);
}

TEST(DeepLookupReply, BytesAboveAsciiAreReadAsUtf8ElseLatin1)
{
    EXPECT_EQ(DeepLookupSocket::decodeReplyText(QByteArray("FILE\tK\xC3\xA4se \xE2\x82\xAC")),
              QStringLiteral("FILE\tKäse €"));
    // Not UTF-8 (a Latin-1 title): read byte for byte, not failed whole.
    EXPECT_EQ(DeepLookupSocket::decodeReplyText(QByteArray("FILE\tK\xE4se\tx")),
              QStringLiteral("FILE\tKäse\tx"));
    EXPECT_EQ(DeepLookupSocket::decodeReplyText(QByteArray("FILE\t\xC3")), QStringLiteral("FILE\tÃ"));
    EXPECT_EQ(DeepLookupSocket::decodeReplyText(QByteArray()), QString());
}

TEST(DeepLookupService, HttpsOnlyExceptForALoopbackTestServer)
{
    EXPECT_EQ(DeepLookupSocket::serviceURL().scheme(), QStringLiteral("https"));
    const QUrl service = DeepLookupSocket::serviceURL();

    EXPECT_FALSE(DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://example.com"))));
    EXPECT_FALSE(DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://10.0.0.1:8080"))));
    EXPECT_FALSE(DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("ftp://127.0.0.1"))));
    EXPECT_EQ(DeepLookupSocket::serviceURL(), service);

    EXPECT_TRUE(DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:4321"))));
    EXPECT_EQ(DeepLookupSocket::serviceURL(), QUrl(QStringLiteral("http://127.0.0.1:4321")));
    EXPECT_TRUE(DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://[::1]:4321"))));
    EXPECT_TRUE(
        DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("https://search.example.org"))));
    EXPECT_TRUE(DeepLookupSocket::setServiceURLForTesting(QUrl()));
    EXPECT_EQ(DeepLookupSocket::serviceURL(), service);
}

TEST(DeepLookupService, ConnectionFailureTitles)
{
    EXPECT_EQ(DeepLookupSocket::connectionFailureTitle(QNetworkReply::OperationCanceledError, true, "x"),
              QStringLiteral("No response from the DeepLookup server."));
    EXPECT_EQ(DeepLookupSocket::connectionFailureTitle(QNetworkReply::ConnectionRefusedError, false, "x"),
              QStringLiteral("Could not connect to DeepLookup server."));
    EXPECT_EQ(DeepLookupSocket::connectionFailureTitle(QNetworkReply::HostNotFoundError, false,
                                                       QStringLiteral("Host nowhere not found")),
              QStringLiteral("Host nowhere not found"));
}
