#include "posting/PostJobBuilder.h"
#include "posting/ReplyQuote.h"
#include "posting/UploadFileList.h"

#include "core/Logger.h"
#include "nntp/NNTPServerObject.h"
#include "platform/UserDefaults.h"
#include "queue/QueueObjectDelegate.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

void touch(const QString& path, qint64 size = 0)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(QByteArray(size, 'x'));
}

PostForm form(const QString& body = QString(), const QStringList& files = {})
{
    PostForm f;
    f.subject = QStringLiteral("Holiday");
    f.posterName = QStringLiteral("Ann");
    f.posterEmail = QStringLiteral("ann@example.invalid");
    f.serverID = QStringLiteral("srv-1");
    f.groups = {QStringLiteral("alt.test"), QStringLiteral("alt.test.2")};
    f.body = body;
    f.fileUrls = files;
    return f;
}

struct PostJobs : ::testing::Test
{
    TempHome home;
    QString nzbFolder = home.makeFolder(QStringLiteral("nzb"));
    PostJobs() { UserDefaults::standard().setObject(nzbFolder, QStringLiteral("uploadNZBExportPath")); }
};

TEST(PostJobOrder, MainRecoveryFilesThenDataThenVolumes)
{
    const struct
    {
        QStringList in;
        QStringList out;
    } cases[] = {
        {{"/u/b.rar", "/u/a.rar", "/u/x.vol01+02.par2", "/u/x.par2", "/u/x.vol00+01.par2"},
         {"/u/x.par2", "/u/a.rar", "/u/b.rar", "/u/x.vol00+01.par2", "/u/x.vol01+02.par2"}},
        // Without a main recovery file the data files lead.
        {{"/u/x.vol01+02.par2", "/u/b.bin", "/u/x.vol00+01.par2", "/u/a.bin"},
         {"/u/a.bin", "/u/b.bin", "/u/x.vol00+01.par2", "/u/x.vol01+02.par2"}},
        // ".par2" in a folder name makes every file below it a recovery file,
        // in any letter case; plain path order is case-sensitive.
        {{"/u/set.PAR2/b.bin", "/u/z.bin", "/u/set.par2/a.bin", "/u/B.bin"},
         {"/u/set.PAR2/b.bin", "/u/set.par2/a.bin", "/u/B.bin", "/u/z.bin"}},
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PostJobBuilder::sortAbsoluteFileUrls(c.in), c.out) << c.in.join(' ').toStdString();
}

TEST(PostJobText, BodyAsPostedWithSignatureAndLineEnds)
{
    const struct
    {
        const char* body;
        bool signatureOn;
        const char* signature;
        const char* posted;
    } cases[] = {
        {"a\nb", true, "S", "a\r\nb\r\n\r\nS\r\n"},
        {"a\nb", false, "S", "a\r\nb\r\n"},
        {"", false, "S", "\r\n"},
        {"", true, "", "\r\n\r\n\r\n"},
        {"x\n", false, "", "x\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PostJobBuilder::finishedTextBody(QString::fromUtf8(c.body), c.signatureOn,
                                                   QString::fromUtf8(c.signature)),
                  QString::fromUtf8(c.posted))
            << c.body;
}

TEST(PostJobText, PosterFieldsKeepWhatAHeaderCarries)
{
    EXPECT_EQ(PostJobBuilder::lossyAscii(QStringLiteral("J\u00fcrgen \u20ac \u00c5se")), QStringLiteral("Jurgen  Ase"));
    EXPECT_EQ(PostJobBuilder::cleanPosterName(QStringLiteral("Ann (x) <a@b>")), QStringLiteral("Ann x ab"));
    EXPECT_EQ(PostJobBuilder::cleanPosterEmail(QStringLiteral(" <Ann.B@Example.ORG> (x)")),
              QStringLiteral("ann.b@example.orgx"));
}

TEST(PostJobText, SizesCountBytesOfUtf8)
{
    PostForm f = form(QStringLiteral("\u20ac"));
    f.subject = QStringLiteral("\u00e9");
    f.userSignature = QStringLiteral("ab");
    // 3 (euro) + 2 x 2 (e acute) + 2 + 200.
    EXPECT_EQ(PostJobBuilder::calculateTextArticleSize(f), 209.0);
    f.totalBytes = 1000;
    EXPECT_EQ(PostJobBuilder::calculateFilesArticleSize(f), 1207.0);
}

TEST_F(PostJobs, NzbNameFromTheSubjectNeverAnExistingFile)
{
    EXPECT_EQ(PostJobBuilder::makeNZBExportUrlForTitle(QStringLiteral("S")), QDir(nzbFolder).filePath("S.nzb"));
    touch(QDir(nzbFolder).filePath("S.nzb"));
    EXPECT_EQ(PostJobBuilder::makeNZBExportUrlForTitle(QStringLiteral("S")), QDir(nzbFolder).filePath("S.1.nzb"));
    touch(QDir(nzbFolder).filePath("S.1.nzb"));
    EXPECT_EQ(PostJobBuilder::makeNZBExportUrlForTitle(QStringLiteral("S")), QDir(nzbFolder).filePath("S.2.nzb"));

    EXPECT_EQ(PostJobBuilder::makeNZBExportUrlForTitle(QStringLiteral("\u20ac\u20ac")), QDir(nzbFolder).filePath("_.nzb"));
    EXPECT_EQ(PostJobBuilder::makeNZBExportUrlForTitle(QString()), QDir(nzbFolder).filePath("invalid_filename.nzb"));
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesContaining(QStringLiteral("Cannot create a clean path component from :: "))
                  .size(),
              1);

    // Every numbered name taken: the plain name stays (the writer looks
    // again and never replaces a file), rather than no name at all.
    touch(QDir(nzbFolder).filePath("T.nzb"));
    for (int n = 1; n <= 100; ++n)
        touch(QDir(nzbFolder).filePath(QStringLiteral("T.%1.nzb").arg(n)));
    EXPECT_EQ(PostJobBuilder::makeNZBExportUrlForTitle(QStringLiteral("T")), QDir(nzbFolder).filePath("T.nzb"));
}

TEST_F(PostJobs, FilesAndBodyDecideWhichJobsAreMade)
{
    const QString file = QDir(home.makeFolder("up")).filePath("a.rar");
    touch(file, 10);

    PostJobBuilder::Jobs onlyFiles = PostJobBuilder::makeJobs(form(QString(), {file}));
    ASSERT_TRUE(onlyFiles.fileJob);
    EXPECT_FALSE(onlyFiles.textJob);
    EXPECT_EQ(onlyFiles.primary(), onlyFiles.fileJob);

    PostForm both = form(QStringLiteral("hello"), {file});
    both.msgid = QStringLiteral("<orig@example>");
    both.makeNZB = true;
    both.totalBytes = 10;
    const PostJobBuilder::Jobs jobs = PostJobBuilder::makeJobs(both);
    ASSERT_TRUE(jobs.fileJob && jobs.textJob);
    for (const QueuePtr& q : {jobs.fileJob, jobs.textJob}) {
        EXPECT_TRUE(q->isUploadObject());
        EXPECT_EQ(q->title(), "Holiday");
        EXPECT_EQ(q->poster(), "ann@example.invalid (Ann)");
        EXPECT_EQ(q->groups(), "alt.test,alt.test.2");
        EXPECT_EQ(q->serverID(), "srv-1");
        EXPECT_EQ(q->references(), "<orig@example>");
        EXPECT_EQ(q->maxArticleSize(), 384000.0);
    }
    EXPECT_TRUE(jobs.fileJob->isBinaryUpload());
    EXPECT_FALSE(jobs.textJob->isBinaryUpload());
    EXPECT_EQ(jobs.textJob->textBody(), "hello");
    EXPECT_EQ(jobs.fileJob->rawUrls(), QStringList({file}));
    EXPECT_TRUE(jobs.fileJob->makeNZB());
    EXPECT_FALSE(jobs.fileJob->uploadNZB());
    EXPECT_EQ(jobs.fileJob->nzbExportUrl(), QDir(nzbFolder).filePath("Holiday.nzb"));
    EXPECT_EQ(jobs.fileJob->bytes(), 10.0 + 5 + 14 + 200);
    EXPECT_EQ(jobs.totalBytes(), jobs.fileJob->bytes() + jobs.textJob->bytes());

    const PostJobBuilder::Jobs text = PostJobBuilder::makeJobs(form());
    EXPECT_TRUE(text.textJob);
    EXPECT_FALSE(text.fileJob);
}

TEST_F(PostJobs, NoJobIsLoggedAndNotConfirmed)
{
    const QString line = QStringLiteral("Queue is nil. Abort launching 'Upload Confirmation Window'");
    EXPECT_TRUE(PostJobBuilder::hasJobToConfirm(PostJobBuilder::makeJobs(form())));
    EXPECT_TRUE(LogFileReader(home.logFilePath()).linesContaining(line).isEmpty());
    const PostJobBuilder::Jobs none;
    EXPECT_FALSE(PostJobBuilder::hasJobToConfirm(none));
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining(line).size(), 1);
    EXPECT_EQ(none.totalBytes(), 0.0);
}

// Records, at the moment each job reaches status 200, whether everything
// else was already in place.
struct HandOverRecorder : QueueObjectDelegate
{
    QList<QueuePtr> order;
    QStringList seenServerIDs;
    QStringList seenBodies;
    void statusChangedForQueueObject(const QueuePtr& q, qint64, qint64 to) override
    {
        if (to != UploadStatus::AddingToQueue) return;
        order.append(q);
        seenServerIDs.append(q->serverID());
        seenBodies.append(q->textBody());
    }
};

TEST_F(PostJobs, HandOverSetsEverythingThenAddingToQueueFileJobFirst)
{
    const QString file = QDir(home.makeFolder("up")).filePath("a.rar");
    touch(file, 10);
    const PostJobBuilder::Jobs jobs = PostJobBuilder::makeJobs(form(QStringLiteral("a\nb"), {file}));
    HandOverRecorder recorder;
    PostJobBuilder::handOver(jobs, QStringLiteral("up-7"), &recorder, true, QStringLiteral("S"));
    ASSERT_TRUE(waitUntil([&] { return recorder.order.size() == 2; }));
    EXPECT_EQ(recorder.order, QList<QueuePtr>({jobs.fileJob, jobs.textJob}));
    EXPECT_EQ(recorder.seenServerIDs, QStringList({"up-7", "up-7"}));
    EXPECT_EQ(recorder.seenBodies[1], "a\r\nb\r\n\r\nS\r\n");
}

TEST(PostJobServer, PostingIdFollowsTheUploadEndpointSetting)
{
    NNTPServerObject server;
    server.setServerID(QStringLiteral("down"));
    server.setUpServerID(QStringLiteral("up"));
    server.setUploadIsDownloadServer(true);
    EXPECT_EQ(PostJobBuilder::postingServerID(server), "down");
    server.setUploadIsDownloadServer(false);
    EXPECT_EQ(PostJobBuilder::postingServerID(server), "up");
}

// ---- reply texts

TEST(ReplyTexts, SubjectDateAndPoster)
{
    const struct
    {
        const char* title;
        const char* subject;
    } subjects[] = {{"hello", "Re: hello"}, {"Re: hello", "Re: hello"}, {"RE: hello", "RE: hello"}, {"hi", "hi"},
                    {"", ""}};
    for (const auto& c : subjects)
        EXPECT_EQ(ReplyQuote::makeSubject(QString::fromUtf8(c.title)), QString::fromUtf8(c.subject)) << c.title;

    EXPECT_EQ(ReplyQuote::formatDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
    EXPECT_EQ(ReplyQuote::formatDate(1700000000), "Tue, 14 Nov 2023 22:13:20 GMT");

    const struct
    {
        const char* poster;
        const char* shown;
    } posters[] = {{"Name <addr@x>", "Name"}, {"<addr@x>", "<addr@x>"}, {"a@b (Ann)", "a@b (Ann)"}, {"", ""}};
    for (const auto& c : posters) {
        const QueuePtr job = Queue::create();
        job->setPoster(QString::fromUtf8(c.poster));
        EXPECT_EQ(ReplyQuote::formatPosterStringForQueue(job), QString::fromUtf8(c.shown)) << c.poster;
    }
}

TEST(ReplyTexts, QuotedLines)
{
    EXPECT_EQ(ReplyQuote::quoteLines({"a", "", "", "", "b", "", ""}), "> a\n> \n> b\n\n");
    EXPECT_EQ(ReplyQuote::quoteLines({"", "", "", ""}), "\n");
    EXPECT_EQ(ReplyQuote::quoteLines({"", "x"}), "> x\n\n");
}

struct ReplyFiles : ::testing::Test
{
    TempHome home;
    QString folder = home.makeFolder(QStringLiteral("job"));
    QueuePtr job = Queue::create();
    QueuePtr part = Queue::create();
    ReplyFiles()
    {
        job->setDownloadUrl(folder);
        job->setPoster(QStringLiteral("Ann <ann@x>"));
        part->setIsFilepart(true);
        part->setQueue(job);
        part->setFilename(QStringLiteral("body.txt"));
        job->setFileparts({part});
    }
    void write(const QByteArray& bytes)
    {
        QFile f(QDir(folder).filePath("body.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(ReplyFiles, QuoteFromTheWrittenFile)
{
    EXPECT_EQ(ReplyQuote::buildQuoteTextForQueue(part), "On Thu, 01 Jan 1970 00:00:00 GMT, \"Ann\" wrote:\n\n");
    write("a\r\n\r\n\r\n\r\nb\r\n\r\n");
    EXPECT_EQ(ReplyQuote::buildQuoteTextForQueue(part),
              "On Thu, 01 Jan 1970 00:00:00 GMT, \"Ann\" wrote:\n\n> a\n> \n> b\n\n");
    write("bin\xff\xfe\x00x");
    EXPECT_EQ(ReplyQuote::formatQuoteTextForQueue(part), "> " + QStringLiteral(" -- Binary file: %1 --").arg("body.txt") +
                                                             "\n\n");
    EXPECT_EQ(ReplyQuote::buildQuoteTextForQueue(nullptr), "");
}

TEST_F(ReplyFiles, ALargeFileIsQuotedFromItsBeginningOnly)
{
    QByteArray big;
    while (big.size() < ReplyQuote::kMaxQuoteFileBytes * 4)
        big += "line of text\n";
    write(big);
    const QString quote = ReplyQuote::formatQuoteTextForQueue(part);
    EXPECT_LE(quote.size(), ReplyQuote::kMaxQuoteFileBytes + ReplyQuote::kMaxQuoteFileBytes / 4);
    EXPECT_TRUE(quote.startsWith("> line of text\n"));
    EXPECT_TRUE(quote.endsWith("> line of text\n\n")) << "cut at a line end";
    // A multi-byte character split by the cut does not turn text into
    // "binary".
    write(QByteArray(ReplyQuote::kMaxQuoteFileBytes - 1, 'a') + "\xc3\xa9 tail\n");
    EXPECT_FALSE(ReplyQuote::formatQuoteTextForQueue(part).contains("Binary file"));
}

TEST(ReplyTexts, MessageIdOfTheFirstArticle)
{
    const QueuePtr job = Queue::create();
    EXPECT_EQ(ReplyQuote::extractMsgIdFromQueueObject(job), "");
    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    job->setFileparts({part});
    EXPECT_EQ(ReplyQuote::extractMsgIdFromQueueObject(job), "");
    const SegmentPtr s = Segment::create();
    s->setMid(QStringLiteral("<m1@x>"));
    part->appendSegment(s);
    EXPECT_EQ(ReplyQuote::extractMsgIdFromQueueObject(job), "<m1@x>");
    EXPECT_EQ(ReplyQuote::extractMsgIdFromQueueObject(part), "<m1@x>");
    EXPECT_EQ(ReplyQuote::extractMsgIdFromQueueObject(nullptr), "");
}

// ---- file list

struct FileList : ::testing::Test
{
    TempHome home;
    QString root = home.makeFolder(QStringLiteral("up"));
    QString path(const QString& rel) const { return QDir(root).filePath(rel); }
};

TEST_F(FileList, AFolderIsOneRowOfEveryFileBelowIt)
{
    touch(path("set/a.bin"), 10);
    touch(path("set/b.bin"), 20);
    touch(path("set/sub/c.bin"), 30);
    touch(path("set/.hidden"), 40);
    UploadFileList list;
    EXPECT_EQ(list.addFilesFromArray({path("set")}), 1);
    ASSERT_EQ(list.rows().size(), 1);
    EXPECT_EQ(list.rows()[0].totalFiles, 4);
    EXPECT_EQ(list.rows()[0].bytes, 100.0);
    EXPECT_TRUE(list.rows()[0].isFolder);
    EXPECT_EQ(list.absoluteFileUrls().size(), 4);
    EXPECT_FALSE(list.absoluteFileUrls().contains(path("set/sub")));
    EXPECT_EQ(list.totalsText(), "4 files / 100 B");
}

TEST_F(FileList, AFileReachedTwiceIsUploadedAndCountedOnce)
{
    touch(path("set/a.bin"), 10);
    touch(path("set/b.bin"), 20);
    touch(path("z.bin"), 5);
    UploadFileList list;
    list.addFilesFromArray({path("set/a.bin"), path("z.bin")});
    list.addFilesFromArray({path("set")});
    EXPECT_EQ(list.rows().size(), 3);
    EXPECT_EQ(list.absoluteFileUrls(), QStringList({path("set/a.bin"), path("z.bin"), path("set/b.bin")}));
    EXPECT_EQ(list.totalFiles(), 3.0);
    EXPECT_EQ(list.totalBytes(), 35.0);
    // Again, or a file of a listed folder: nothing changes.
    EXPECT_EQ(list.addFilesFromArray({path("set"), path("set/b.bin"), path("z.bin")}), 0);
    EXPECT_EQ(list.totalFiles(), 3.0);

    // Rows sort by name: a.bin, set, z.bin. Removing the single a.bin keeps
    // it through its folder.
    ASSERT_EQ(list.rows()[0].filename, "a.bin");
    list.removeRows({0});
    EXPECT_EQ(list.absoluteFileUrls(), QStringList({path("set/a.bin"), path("set/b.bin"), path("z.bin")}));
    EXPECT_EQ(list.totalBytes(), 35.0);
    list.removeRows({0, 1});
    EXPECT_TRUE(list.absoluteFileUrls().isEmpty());
    EXPECT_EQ(list.totalsText(), "0 files / 0 B");
}

} // namespace
