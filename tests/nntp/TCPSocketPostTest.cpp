// Posting, the newsgroup list and TLS.

#include "ConnectionFixture.h"

#include "nntp/NNTPArticleBuilder.h"
#include "posting/Yenc.h"
#include "queue/StatusCodes.h"

#include <QRandomGenerator>

namespace {

struct UploadJob
{
    QueuePtr job;
    QueuePtr part;
    SegmentPtr segment;
};

UploadJob uploadJob(const QString& mid, const QByteArray& filedata, const QString& textBody = QString())
{
    UploadJob u;
    u.job = Queue::create();
    u.job->setIsUploadObject(true);
    u.job->setPoster(QStringLiteral("Ann (ann@example.com)"));
    u.job->setGroups(QStringLiteral("alt.binaries.test"));
    u.job->setTitle(QStringLiteral("Upload"));
    u.job->setTextBody(textBody);
    u.part = Queue::create();
    u.part->setIsFilepart(true);
    u.part->setQueue(u.job);
    u.part->setFilename(QStringLiteral("data.bin"));
    u.part->setTotalSegments(1);
    u.segment = Segment::create();
    u.segment->setQueue(u.job);
    u.segment->setFilepart(u.part);
    u.segment->setSegnr(1);
    u.segment->setMid(mid);
    u.segment->setFilename(QStringLiteral("\"data.bin\" yEnc (1/1)"));
    u.segment->setFiledata(filedata);
    return u;
}

} // namespace

TEST_F(Connection, A100KilobyteFileArticleArrivesByteForByte)
{
    QByteArray raw(100 * 1024, '\0');
    QRandomGenerator random(7);
    for (char& c : raw)
        c = char(random.bounded(256));
    YencPart part;
    part.bytes = raw.size();
    part.fileBytes = raw.size();
    part.filename = QStringLiteral("data.bin");
    part.maxArticleSize = double(raw.size());
    const std::optional<YencEncoded> encoded = Yenc::encodeSegment(part, raw);
    ASSERT_TRUE(encoded);
    const UploadJob u = uploadJob(QStringLiteral("Part1of1.x.y@binorama"), encoded->body);
    manager->addSegment(u.segment);
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s, true);

    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].segment, u.segment);
    ASSERT_EQ(server.postedArticles().size(), 1);
    const QByteArray expected = "Message-ID: <Part1of1.x.y@binorama>\r\n"
                                "From: Ann (ann@example.com)\r\n"
                                "Newsgroups: alt.binaries.test\r\n"
                                "Subject: \"data.bin\" yEnc (1/1)\r\n"
                                "\r\n" +
                                encoded->body + ".\r\n";
    EXPECT_TRUE(server.postedArticles()[0].bytes == expected);
    EXPECT_EQ(lines(), QList<QByteArray>({"POST"}));
    EXPECT_TRUE(waitForResponse(s, QStringLiteral("Uploading")));
    EXPECT_FALSE(manager->responses(s).contains(QStringLiteral("Downloading")));
}

TEST_F(Connection, ATextPostArrivesDotStuffedInItsCharset)
{
    const UploadJob u =
        uploadJob(QStringLiteral("t@x"), QByteArray(), QStringLiteral("Caf\u00e9\r\n.\r\n.end"));
    u.job->setReferences(QStringLiteral("<orig@x>"));
    manager->addSegment(u.segment);
    manager->openConnection(slot(), true);
    ASSERT_TRUE(waitForHandIns(1));
    ASSERT_EQ(server.postedArticles().size(), 1);
    const QByteArray posted = server.postedArticles()[0].bytes;
    EXPECT_TRUE(posted == NNTPArticleBuilder::textArticle({u.job->poster(), u.job->groups(), u.job->title(),
                                                           u.job->references(), u.job->textBody()}));
    EXPECT_TRUE(posted.endsWith("\r\n\r\nCaf\xe9\r\n..\r\n..end\r\n.\r\n")) << posted.toStdString();
    // The server saw the whole text as the article: nothing after a lone "."
    // was taken for a command.
    EXPECT_EQ(lines(), QList<QByteArray>({"POST"}));
}

TEST_F(Connection, PostingRefusals)
{
    // Not allowed at all: the dialog, the article back, the connection ends.
    server.setPostingAllowed(false);
    UploadJob u = uploadJob(QStringLiteral("p@x"), "=ybegin\r\n");
    manager->addSegment(u.segment);
    manager->openConnection(slot(), true);
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove")));
    EXPECT_EQ(manager->events(), QStringList({"postingDenied Scripted", "remove"}));
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({u.segment}));

    // Nothing to post: the job says so and the connection restarts.
    manager = std::make_unique<FakeConnectionsManager>();
    server.setPostingAllowed(true);
    UploadJob empty = uploadJob(QStringLiteral("e@x"), QByteArray());
    manager->addSegment(empty.segment);
    manager->openConnection(slot(), true);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart ")));
    EXPECT_EQ(empty.job->status(), UploadStatus::UploadError);
    EXPECT_TRUE(server.postedArticles().isEmpty());

    // 441 after the article: the job ends failed at once and the manager
    // hears the server's reply and the From text; the article is given up,
    // neither booked nor queued again (it would only be refused once more),
    // and the connection goes on. A second article of the ended job that is
    // refused too tells the manager nothing more.
    manager = std::make_unique<FakeConnectionsManager>();
    server.clearRecords();
    server.addRule(NntpRule::on(NntpRule::kPostedArticle)
                       .reply(441, "Invalid syntax encountered in Subject header field body"));
    UploadJob refused = uploadJob(QStringLiteral("f@x"), "=ybegin\r\n");
    refused.job->setStatus(UploadStatus::Uploading);
    const SegmentPtr second = Segment::create();
    second->setQueue(refused.job);
    second->setFilepart(refused.part);
    second->setSegnr(2);
    second->setMid(QStringLiteral("g@x"));
    second->setFilename(QStringLiteral("\"data.bin\" yEnc (2/2)"));
    second->setFiledata("=ybegin\r\n");
    manager->addSegment(refused.segment);
    manager->addSegment(second);
    const TCPSocketPtr socket = manager->openConnection(slot(), true);
    ASSERT_TRUE(waitUntil([&] { return server.postedArticles().size() == 2; }));
    ASSERT_TRUE(waitForStatus(socket, TCPSocket::Idle));
    spinEventLoop(100);
    EXPECT_EQ(manager->events(),
              QStringList({"postingRefused 441 Invalid syntax encountered in Subject header field body :: "
                           "Ann (ann@example.com)"}));
    EXPECT_TRUE(manager->released().isEmpty());
    EXPECT_EQ(manager->handInCount(), 0);
    for (const SegmentPtr& s : {refused.segment, second}) {
        EXPECT_EQ(s->status(), ArticleStatus::Cancelled);
        EXPECT_TRUE(s->filedata().isEmpty());
    }
    EXPECT_EQ(refused.job->status(), UploadStatus::PostingDenied);
}

TEST_F(Connection, NewsgroupListAndAnEmptyOneComplete)
{
    server.addGroup("alt.test", 200, 101, 'y');
    server.addGroup("a.b", 5, 5, 'n');
    const auto listJob = [this] {
        QueuePtr job = Queue::create();
        job->setIsNewsgroupsRequest(true);
        SegmentPtr segment = Segment::create();
        segment->setQueue(job);
        segment->setMid(QStringLiteral("newsgroups"));
        manager->addSegment(segment);
        return std::pair{job, segment};
    };
    const auto [job, segment] = listJob();
    manager->openConnection(slot());
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].segment, segment);
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("alt.test 200 101 y\r\na.b 5 5 n\r\n.\r\n"));
    EXPECT_EQ(lines(), QList<QByteArray>({"LIST"}));

    manager = std::make_unique<FakeConnectionsManager>();
    server.addRule(NntpRule::on("LIST").replyRaw("215 list follows\r\n.\r\n"));
    const auto [emptyJob, emptySegment] = listJob();
    manager->openConnection(slot());
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].segment, emptySegment);
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray(".\r\n"));
}

TEST_F(Connection, TlsLoginAgainstTheTestAuthority)
{
    ScriptedNntpServer tls;
    ASSERT_TRUE(tls.startTls());
    tls.setRequireAuth(true);
    tls.addAccount("u", "p");
    tls.addArticle("<tls@test>", "secret body\r\n");
    manager->addArticle("<tls@test>");
    NntpTlsConfiguration::addCaCertificates({TestCertificates::shared().caCertificate()});
    const NNTPServerObjectPtr s = manager->makeSlot(tls.port(), true);
    s->setRequiresLogin(true);
    s->setUsername(QStringLiteral("u"));
    s->setPassword(QStringLiteral("p"));
    manager->openConnection(s);
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("secret body\r\n.\r\n"));
    EXPECT_EQ(tls.commandLines(),
              QList<QByteArray>({"AUTHINFO USER u", "AUTHINFO PASS p", "BODY <tls@test>"}));
}

TEST_F(Connection, ACertificateTheUserTrustedForTheServerIsUsed)
{
    TestCertificates own;
    ASSERT_TRUE(own.isValid());
    ScriptedNntpServer tls;
    ASSERT_TRUE(tls.startTls(own));
    tls.addArticle("<trusted@test>", "trusted body\r\n");
    manager->addArticle("<trusted@test>");
    const NNTPServerObjectPtr s = manager->makeSlot(tls.port(), true);
    s->setRequiresLogin(false);
    NntpTlsConfiguration::trustCertificate(s->serverID(), own.serverCertificate());
    manager->openConnection(s);
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("trusted body\r\n.\r\n"));
    NntpTlsConfiguration::forgetTrustedCertificate(s->serverID());
}

TEST_F(Connection, AnUntrustedCertificateIsRefusedBeforeTheLogin)
{
    // The server's certificate comes from an authority nobody added.
    TestCertificates other;
    ASSERT_TRUE(other.isValid());
    ScriptedNntpServer tls;
    ASSERT_TRUE(tls.startTls(other));
    tls.addAccount("u", "p");
    NntpTlsConfiguration::addCaCertificates({TestCertificates::shared().caCertificate()});
    manager->addArticle("<x@test>");
    const NNTPServerObjectPtr s = manager->makeSlot(tls.port(), true);
    s->setRequiresLogin(true);
    s->setUsername(QStringLiteral("u"));
    s->setPassword(QStringLiteral("p"));
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart ")));
    const QStringList events = manager->events();
    ASSERT_EQ(events.size(), 2) << events.join(u'|').toStdString();
    EXPECT_TRUE(events[0].startsWith(
        QStringLiteral("connectionError StreamError (13): Certificate verification failed: ")))
        << events[0].toStdString();
    EXPECT_TRUE(tls.commandLines().isEmpty()) << "no password reached the server";
    bool described = false;
    for (const QString& row : manager->responses(s))
        described = described ||
                    row.startsWith(QStringLiteral("StreamError (13): Certificate verification failed: "));
    EXPECT_TRUE(described) << manager->responses(s).join(QLatin1Char('|')).toStdString();
}
