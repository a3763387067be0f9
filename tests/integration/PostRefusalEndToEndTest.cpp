// Posts that the news server reads and refuses (441), through the whole
// engine against a scripted server: the user is told once per job, with the
// server's own words; the job ends failed with them as its comment, never
// "Upload finished", and writes no NZB for articles the server does not hold.

#include "EngineEndToEnd.h"

#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/NntpRule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray kSubjectRefusal = "Invalid syntax encountered in Subject header field body";
const QString kRefusedText = QStringLiteral("The news server refused the post: 441 ") + QString::fromLatin1(kSubjectRefusal);

class PostRefusal : public EngineEndToEnd
{
protected:
    ScriptedNntpServer* news = nullptr;
    QString nzbFolder;

    void SetUp() override
    {
        EngineEndToEnd::SetUp();
        nzbFolder = home.makeFolder(QStringLiteral("nzb"));
        UserDefaults::standard().setObject(nzbFolder, QStringLiteral("uploadNZBExportPath"));
        news = &addServer(QStringLiteral("Main"), 2);
    }

    QueuePtr uploadJob(const QString& title, const QString& poster)
    {
        const QueuePtr job = Queue::create();
        job->setIsUploadObject(true);
        job->setTitle(title);
        job->setServerID(engine->nntpServersController()->arrayNNTPServers().first()->serverID());
        job->setPoster(poster);
        job->setGroups(QStringLiteral("alt.binaries.test"));
        job->setMaxArticleSize(1000);
        return job;
    }
    void start(const QueuePtr& job)
    {
        job->setDelegate(engine->queueController());
        job->setStatus(UploadStatus::AddingToQueue);
    }

    QStringList askedTexts() const
    {
        QStringList texts;
        for (const DialogRequest& r : dialogs.asked())
            texts.append(r.info);
        return texts;
    }
};

} // namespace

TEST_F(PostRefusal, TheServersReplyIsShownOnceAndBothJobsEndFailedWithoutAnNzb)
{
    // Every article whose Subject names the set is refused; two connections
    // post the file job's articles at once, so more than one of them may be
    // refused before the job stops.
    news->addRule(NntpRule::on(NntpRule::kPostedArticle)
                      .withArgumentContaining("Subject: Refused set")
                      .reply(441, kSubjectRefusal));

    const QueuePtr text = uploadJob(QStringLiteral("Refused set"), QStringLiteral("ann@example.com (Ann)"));
    text->setTextBody(QStringLiteral("Some words.\r\n"));
    text->setBytes(200);

    const QString source = home.makeFolder(QStringLiteral("to-post"));
    const QString data = QDir(source).filePath(QStringLiteral("data.bin"));
    {
        QFile f(data);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ArticleFixtures::randomBytes(6000, 41));
    }
    const QueuePtr files = uploadJob(QStringLiteral("Refused set"), QStringLiteral("ann@example.com (Ann)"));
    files->setIsBinaryUpload(true);
    files->setRawUrls({data});
    files->setMakeNZB(true);
    const QString nzb = QDir(nzbFolder).filePath(QStringLiteral("Refused set.nzb"));
    files->setNzbExportUrl(nzb);

    start(files);
    start(text);
    ASSERT_TRUE(waitUntil(
        [&] {
            return text->status() == UploadStatus::PostingDenied && files->status() == UploadStatus::PostingDenied;
        },
        30000))
        << text->status() << " " << files->status();
    // What is still in flight lands; nothing follows.
    spinEventLoop(1500);

    for (const QueuePtr& job : {text, files}) {
        EXPECT_EQ(job->status(), UploadStatus::PostingDenied);
        EXPECT_EQ(job->commentTextField(), kRefusedText);
        const QList<qint64> codes = codesOf(job);
        EXPECT_FALSE(codes.contains(UploadStatus::Uploaded));
        EXPECT_FALSE(codes.contains(UploadStatus::Finished));
        EXPECT_FALSE(codes.contains(UploadStatus::CreatingNZB));
    }
    // One message per job, in the server's words, none about the From line.
    EXPECT_EQ(askedTexts(), QStringList({kRefusedText, kRefusedText}));
    for (const DialogRequest& r : dialogs.asked())
        EXPECT_EQ(r.title, QStringLiteral("Posting denied by your news server"));

    // The text article was posted once: a refused article is not tried again.
    int textPosts = 0;
    for (const NntpPostedArticle& a : news->postedArticles())
        if (!a.bytes.startsWith("Message-ID:")) ++textPosts;
    EXPECT_EQ(textPosts, 1);
    // The file job ended at its first refusal: of its 6 articles only those
    // the two connections had in hand then went out.
    EXPECT_LE(news->postedArticles().size() - textPosts, 2);
    EXPECT_FALSE(QFileInfo::exists(nzb));
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesContaining(QStringLiteral("No NZB written for Refused set: the news server did not "
                                                  "accept every article of it"))
                  .size(),
              1);
}

TEST_F(PostRefusal, ARefusalAboutTheFromLineAsksToCorrectTheNameWithTheServersWords)
{
    news->addRule(
        NntpRule::on(NntpRule::kPostedArticle).reply(441, "'From' Header not in Internet Syntax. E1"));
    const QueuePtr text = uploadJob(QStringLiteral("Hello"), QStringLiteral("ann@ (Ann)"));
    text->setTextBody(QStringLiteral("x\r\n"));
    text->setBytes(200);
    start(text);
    ASSERT_TRUE(waitUntil([&] { return text->status() == UploadStatus::PostingDenied; }, 30000))
        << text->status();
    spinEventLoop(500);
    EXPECT_EQ(askedTexts(),
              QStringList({QStringLiteral("Invalid 'From Name/Email' format: ann@ (Ann)\nNews server says: "
                                          "'From' Header not in Internet Syntax. E1 (441). Please correct your "
                                          "name or email address.")}));
    EXPECT_EQ(text->commentTextField(),
              QStringLiteral("The news server refused the post: 441 'From' Header not in Internet Syntax. E1"));
    EXPECT_EQ(news->postedArticles().size(), 1);
}
