#include "queue/FilePartWriter.h"
#include "core/FileUtils.h"
#include "platform/UserDefaults.h"
#include "postprocess/RepairController.h"
#include "queue/FODController.h"
#include "queue/FilePartSpool.h"
#include "queue/FileWriteController.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "queue/Segment.h"

#include "queue/StatusCodes.h"
#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/HandMadePar2Set.h"
#include "support/Rar4Builder.h"
#include "support/TempHome.h"
#include "support/TmpfsMount.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kWriteFinished = FilePartStatus::WriteFinished;
constexpr qint64 kWriteFailed = FilePartStatus::WriteFailed;
constexpr qint64 kDecodeError = FilePartStatus::DecodeError;

QString md5Hex(QByteArrayView data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

QString logText(const TempHome& home)
{
    return QString::fromUtf8(fileBytes(home.logFilePath()));
}

// A download folder with the files-on-disk index and the repair bookkeeping
// the writer reports to, and a job whose parts are written by a real write
// queue.
class Writer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        download_ = home_.makeFolder("dl");
        setDownloadFolder(download_);
        index_ = std::make_unique<FODController>();
        repair_ = std::make_unique<RepairController>();
        repair_->setFodController(index_.get());
        writer_ = std::make_unique<FileWriteController>();
        writer_->setRepairController(repair_.get());
        job_ = Queue::create();
        job_->setTitle(QStringLiteral("Holiday pictures"));
        job_->setGroups(QStringLiteral("alt.binaries.test"));
        job_->setIsNZB(true);
    }
    void TearDown() override
    {
        writer_.reset();
        repair_.reset();
        index_.reset();
    }

    static void setDownloadFolder(const QString& folder)
    {
        UserDefaults::standard().setString(folder, QStringLiteral("downloadPath"));
    }

    QueuePtr addPart(const QString& postedName, const QList<QByteArray>& bodies)
    {
        QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(job_);
        part->setFid(QUuid::createUuid().toString(QUuid::WithoutBraces));
        part->setFilename(postedName);
        part->setCheckbox(1);
        qint64 bytes = 0;
        int number = 1;
        for (const QByteArray& body : bodies) {
            SegmentPtr segment = Segment::create();
            segment->setQueue(job_);
            segment->setFilepart(part);
            segment->setSegnr(number);
            segment->setMid(QStringLiteral("<%1.%2@test>").arg(number).arg(part->fid()));
            segment->setFiledata(body);
            bytes += body.size();
            ++number;
            part->appendSegment(segment);
        }
        part->setBytes(double(bytes));
        job_->appendFilepart(part);
        job_->setTotalfiles(job_->filepartCount());
        return part;
    }

    // Queues the part and waits for its outcome.
    qint64 write(const QueuePtr& part)
    {
        part->setStatus(FilePartStatus::WaitingForDiskWrite);
        writer_->addFileToQueue(part);
        const bool ended = waitUntil(
            [&] {
                const qint64 s = part->status();
                return s == kWriteFinished || s == kWriteFailed || s == kDecodeError;
            },
            20000);
        EXPECT_TRUE(ended) << "status " << part->status();
        // The outcome is set before the count drops.
        EXPECT_EQ(writer_->filesInWriteQueue(), 0);
        return part->status();
    }

    // The whole file's MD5 follows the file in place (unless it came with
    // the writes): waits for the part to have it.
    static bool md5Follows(const QueuePtr& part, const QByteArray& data)
    {
        return waitUntil([&] { return part->md5() == md5Hex(data); }, 20000);
    }

    QString jobFolder() const { return download_ + QLatin1Char('/') + job_->title(); }
    QStringList filesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::Dirs);
    }

    TempHome home_;
    QString download_;
    std::unique_ptr<FODController> index_;
    std::unique_ptr<RepairController> repair_;
    std::unique_ptr<FileWriteController> writer_;
    QueuePtr job_;
};

TEST_F(Writer, YencArticlesInAnyOrderBecomeTheFileWithItsDigestsAndIndexRecord)
{
    const QByteArray file = ArticleFixtures::randomBytes(300000, 7);
    QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "photos.part1.rar", 64000);
    ASSERT_GE(articles.size(), 4);
    std::swap(articles[0], articles[3]);
    std::swap(articles[1], articles[2]);
    const QueuePtr part = addPart(QStringLiteral("subject name"), articles);

    ASSERT_EQ(write(part), kWriteFinished);

    const QString path = jobFolder() + QStringLiteral("/photos.part1.rar");
    EXPECT_EQ(fileBytes(path), file);
    EXPECT_EQ(part->filename(), QStringLiteral("photos.part1.rar"));
    EXPECT_EQ(part->orgFilename(), QStringLiteral("photos.part1.rar"));
    EXPECT_TRUE(part->isDownloaded());
    EXPECT_TRUE(part->isPreviouslyDownloaded());
    EXPECT_TRUE(part->isDecodedAlready());
    EXPECT_TRUE(md5Follows(part, file)) << part->md5().toStdString();
    EXPECT_EQ(part->md516k(), md5Hex(file.first(16384)));
    EXPECT_EQ(job_->downloadUrl(), jobFolder());
    // An NZB part's articles are no longer needed once it is on disk.
    EXPECT_EQ(part->segmentCount(), 0);
    EXPECT_TRUE(part->decodedFileData().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return index_->searchFileForFilePart(part) != nullptr; }, 5000));
    // The digest that followed reached the part's record too.
    EXPECT_TRUE(waitUntil(
        [&] {
            const FODObjectPtr fod = index_->searchFileForFilePart(part);
            return fod && fod->md5() == md5Hex(file);
        },
        20000));
    // Nothing is left of the spool but the file in place.
    EXPECT_FALSE(QFileInfo::exists(FilePartSpool::spoolFolderFor(download_)));
    EXPECT_EQ(filesIn(jobFolder()), QStringList{QStringLiteral("photos.part1.rar")});
}

TEST_F(Writer, MissingArticleLeavesZerosInItsPlaceAndTheDigestsMatchTheFile)
{
    const QByteArray file = ArticleFixtures::randomBytes(40000, 3);
    QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "gap.bin", 10000);
    ASSERT_EQ(articles.size(), 4);
    articles[0].clear(); // the first article never arrived
    const QueuePtr part = addPart(QStringLiteral("gap.bin"), articles);

    ASSERT_EQ(write(part), kWriteFinished);

    const QByteArray written = fileBytes(jobFolder() + QStringLiteral("/gap.bin"));
    ASSERT_EQ(written.size(), file.size());
    EXPECT_EQ(written.first(10000), QByteArray(10000, '\0'));
    EXPECT_EQ(written.sliced(10000), file.sliced(10000));
    EXPECT_TRUE(md5Follows(part, written)) << part->md5().toStdString();
    EXPECT_EQ(part->md516k(), md5Hex(written.first(16384)));
}

TEST_F(Writer, EachEncodingIsRecognisedAndNamedFromItsData)
{
    // The Base64 decoder takes JPEG images only.
    const QByteArray data = QByteArray("\xFF\xD8\xFF\xE0", 4) + ArticleFixtures::randomBytes(5000, 11);
    struct Case
    {
        const char* label;
        QList<QByteArray> bodies;
        QString expectedName;
    };
    const QList<Case> cases = {
        {"uu", ArticleFixtures::splitIntoBodies(ArticleFixtures::uuencodeText(data, "song.mp3"), 40),
         QStringLiteral("song.mp3")},
        {"base64", ArticleFixtures::splitIntoBodies(ArticleFixtures::base64MimeText(data, "cover.jpg"), 30),
         QStringLiteral("cover.jpg")},
        {"yenc",
         {ArticleFixtures::yencBody(data, {.name = "one.bin", .fileSize = data.size()})},
         QStringLiteral("one.bin")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QueuePtr part = addPart(QStringLiteral("posted"), c.bodies);
        ASSERT_EQ(write(part), kWriteFinished);
        EXPECT_EQ(part->filename(), c.expectedName);
        EXPECT_EQ(fileBytes(jobFolder() + QLatin1Char('/') + c.expectedName), data);
    }
}

TEST_F(Writer, NamesFromArticleDataStayInsideTheJobFolder)
{
    const QByteArray data("payload");
    struct Case
    {
        QByteArray decodedName;
        QString expected;
    };
    const QList<Case> cases = {
        {"../../escape.bin", QStringLiteral("escape.bin")},
        {"/etc/passwd", QStringLiteral("passwd")},
        {".hidden.nfo", QStringLiteral("hidden.nfo")},
        // Nothing usable: the part keeps the name it was posted under.
        {".", QStringLiteral("posted")},
        {"..", QStringLiteral("posted")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.decodedName.toStdString());
        const QueuePtr part =
            addPart(QStringLiteral("posted"),
                    {ArticleFixtures::yencBody(data, {.name = c.decodedName, .fileSize = 7})});
        ASSERT_EQ(write(part), kWriteFinished);
        EXPECT_EQ(part->filename(), c.expected);
        EXPECT_EQ(fileBytes(jobFolder() + QLatin1Char('/') + c.expected), data);
    }
    EXPECT_FALSE(QFileInfo::exists(home_.path() + QStringLiteral("/escape.bin")));
    EXPECT_FALSE(QFileInfo::exists(download_ + QStringLiteral("/escape.bin")));
}

TEST_F(Writer, PlainTextOfASingleFileJobGoesToTheTextFolderUnderTitleAndMessageId)
{
    job_->setIsNZB(false);
    const QByteArray text("Hello there,\r\nthis is a plain article.");
    for (const bool openIt : {true, false}) {
        SCOPED_TRACE(openIt);
        UserDefaults::standard().setBool(openIt, QStringLiteral("executeTextfiles"));
        const QueuePtr part = addPart(QStringLiteral("Note"), {ArticleFixtures::dotStuff(text + "\r\n")});
        job_->setTotalfiles(1);
        const QString mid = part->segments().first()->mid();

        ASSERT_EQ(write(part), kWriteFinished);

        const QString folder = download_ + QStringLiteral("/comments");
        EXPECT_EQ(part->filename(),
                  FileUtils::makeUTF8Filename(job_->title() + mid) + QStringLiteral(".txt"));
        EXPECT_EQ(fileBytes(folder + QLatin1Char('/') + part->filename()), text);
        EXPECT_EQ(job_->downloadUrl(), folder);
        EXPECT_EQ(part->execute(), openIt);
        QFile::remove(folder + QLatin1Char('/') + part->filename());
        job_->removeFilepart(part);
    }
}

TEST_F(Writer, FolderFollowsTheKindOfJob)
{
    struct Case
    {
        const char* label;
        bool isNZB;
        qint64 totalfiles;
        bool hasRepairFiles;
        bool titleFolder;
    };
    const Case cases[] = {
        {"NZB job", true, 1, true, true},
        {"several files, no repair files", false, 2, false, true},
        {"one file", false, 1, false, false},
        {"repair files but no set yet", false, 3, true, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        job_ = Queue::create();
        job_->setTitle(QStringLiteral("Job %1").arg(++n));
        job_->setIsNZB(c.isNZB);
        job_->setHasRepairFiles(c.hasRepairFiles);
        const QueuePtr part = addPart(
            QStringLiteral("f"), {ArticleFixtures::yencBody("abc", {.name = "kind.bin", .fileSize = 3})});
        job_->setTotalfiles(c.totalfiles);

        ASSERT_EQ(write(part), kWriteFinished);

        const QString folder = c.titleFolder ? jobFolder() : download_;
        EXPECT_EQ(job_->downloadUrl(), folder);
        EXPECT_EQ(fileBytes(folder + QStringLiteral("/kind.bin")), QByteArray("abc"));
        QFile::remove(folder + QStringLiteral("/kind.bin"));
    }
}

TEST_F(Writer, PartOfACancelledJobIsNotWrittenNorIndexed)
{
    const QueuePtr part =
        addPart(QStringLiteral("x.bin"), {ArticleFixtures::yencBody("abc", {.fileSize = 3})});
    job_->setIsCancelled(true);

    ASSERT_EQ(write(part), kWriteFinished);

    EXPECT_FALSE(part->isDownloaded());
    EXPECT_FALSE(QFileInfo::exists(jobFolder()));
    spinEventLoop(50);
    EXPECT_EQ(index_->searchFileForFilePart(part), nullptr);
}

TEST_F(Writer, JobMarkedDiskNotReadyGetsNoWrite)
{
    const QueuePtr part =
        addPart(QStringLiteral("x.bin"), {ArticleFixtures::yencBody("abc", {.fileSize = 3})});
    job_->setDiskNotReady(true);

    ASSERT_EQ(write(part), kWriteFailed);

    EXPECT_FALSE(QFileInfo::exists(jobFolder()));
    EXPECT_TRUE(logText(home_).contains(QStringLiteral("Disk write failure for: x.bin")));
}

TEST_F(Writer, UndecodableBodiesAreADecodeError)
{
    const QueuePtr part = addPart(QStringLiteral("x.bin"), {QByteArray(), QByteArray()});
    EXPECT_EQ(write(part), kDecodeError);
    EXPECT_FALSE(part->isDownloaded());
}

TEST_F(Writer, IncompletePartIsWrittenUnderItsNameInUpperCase)
{
    const QueuePtr part = addPart(QStringLiteral("p"),
                                  {ArticleFixtures::yencBody("abc", {.name = "Movie.r01", .fileSize = 3})});
    part->setIsIncomplete(true);
    ASSERT_EQ(write(part), kWriteFinished);
    EXPECT_EQ(part->filename(), QStringLiteral("MOVIE.R01"));
    EXPECT_EQ(fileBytes(jobFolder() + QStringLiteral("/MOVIE.R01")), QByteArray("abc"));
}

TEST_F(Writer, FolderThatCannotBeCreatedIsADiskFailure)
{
    // A file stands where the job's folder would go.
    QFile blocker(jobFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QueuePtr part =
        addPart(QStringLiteral("x.bin"), {ArticleFixtures::yencBody("abc", {.fileSize = 3})});

    EXPECT_EQ(write(part), kWriteFailed);
    const QString log = logText(home_);
    EXPECT_TRUE(log.contains(QStringLiteral("No access to folder:"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Disk write failure for: file.bin")));
    EXPECT_FALSE(part->isDownloaded());
    EXPECT_TRUE(QFileInfo(jobFolder()).isFile());
}

TEST_F(Writer, ReadOnlyDownloadFolderIsADiskFailure)
{
    const QString folder = home_.makeFolder("ro");
    TmpfsMount mount(folder, 1 << 20);
    if (!mount.isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_TRUE(mount.setReadOnly(true));
    setDownloadFolder(folder);
    const QueuePtr part =
        addPart(QStringLiteral("x.bin"), {ArticleFixtures::yencBody("abc", {.fileSize = 3})});

    EXPECT_EQ(write(part), kWriteFailed);
    const QString log = logText(home_);
    EXPECT_TRUE(log.contains(QStringLiteral("Write error (30) - "))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Disk write failure for: x.bin")));
    EXPECT_GT(part->segments().first()->filedata().size(), 0);
}

TEST_F(Writer, MissingDownloadFolderIsADiskFailure)
{
    const QString gone = download_ + QStringLiteral("/not-there");
    setDownloadFolder(gone);
    const QueuePtr part =
        addPart(QStringLiteral("x.bin"), {ArticleFixtures::yencBody("abc", {.fileSize = 3})});

    EXPECT_EQ(write(part), kWriteFailed);
    const QString log = logText(home_);
    EXPECT_TRUE(log.contains(QStringLiteral("No access to folder:") + gone)) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Disk write failure for: x.bin")));
    EXPECT_FALSE(QFileInfo::exists(gone));
}

// A header that claims a position far beyond the file cannot make the write
// grow the file (or the memory) to it.
TEST_F(Writer, LyingPartHeaderCannotGrowTheFile)
{
    const QByteArray first = ArticleFixtures::randomBytes(1000, 19);
    const QByteArray second = ArticleFixtures::randomBytes(1000, 23);
    const QueuePtr part = addPart(
        QStringLiteral("x.bin"),
        {ArticleFixtures::yencBody(first,
                                   {.name = "x.bin", .fileSize = 2000, .part = 1, .total = 2, .begin = 1}),
         ArticleFixtures::yencBody(
             second, {.name = "x.bin", .fileSize = 2000, .part = 2, .total = 2, .begin = qint64(1) << 40})});

    ASSERT_EQ(write(part), kWriteFinished);
    const QFileInfo written(jobFolder() + QStringLiteral("/x.bin"));
    EXPECT_LE(written.size(), 2000);
    EXPECT_EQ(fileBytes(written.filePath()).first(1000), first);
}

// A write the file system refuses keeps the articles, so that the part is
// written once the disk takes it again.
TEST_F(Writer, FailedWriteKeepsThePartForTheRetry)
{
    const QByteArray file = ArticleFixtures::randomBytes(200000, 5);
    const QueuePtr part =
        addPart(QStringLiteral("big.bin"), ArticleFixtures::yencArticles(file, "big.bin", 50000));

    struct rlimit saved
    {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 65536;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const qint64 first = write(part);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    ASSERT_EQ(first, kWriteFailed);
    const QString log = logText(home_);
    EXPECT_TRUE(log.contains(QStringLiteral("Write error (27) - "))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Disk write failure for: big.bin")));
    EXPECT_FALSE(part->isDownloaded());
    EXPECT_FALSE(QFileInfo::exists(jobFolder() + QStringLiteral("/big.bin")));
    EXPECT_FALSE(QFileInfo::exists(FilePartSpool::spoolFolderFor(download_)));

    ASSERT_EQ(write(part), kWriteFinished);
    EXPECT_EQ(fileBytes(jobFolder() + QStringLiteral("/big.bin")), file);
    EXPECT_TRUE(md5Follows(part, file)) << part->md5().toStdString();
}

TEST_F(Writer, FullDiskIsADiskFailureAndLeavesNoPartialFile)
{
    const QString small = home_.makeFolder("small");
    TmpfsMount mount(small, 64 * 1024);
    if (!mount.isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    setDownloadFolder(small);
    const QByteArray file = ArticleFixtures::randomBytes(300000, 9);
    const QueuePtr part =
        addPart(QStringLiteral("big.bin"), ArticleFixtures::yencArticles(file, "big.bin", 100000));

    EXPECT_EQ(write(part), kWriteFailed);
    EXPECT_TRUE(logText(home_).contains(QStringLiteral("Write error (28) - ")));
    EXPECT_FALSE(QFileInfo::exists(small + QLatin1Char('/') + job_->title() + QStringLiteral("/big.bin")));
    EXPECT_FALSE(QFileInfo::exists(FilePartSpool::spoolFolderFor(small)));
    EXPECT_GT(part->segments().first()->filedata().size(), 0);
}

// The job's folder on another file system than the download folder: the
// file is copied there beside its name and renamed over it, so that a copy
// the disk cannot hold leaves nothing under the file's name.
TEST_F(Writer, JobFolderOnAnotherFileSystemGetsACompleteCopyOrNothing)
{
    struct Case
    {
        qint64 mountBytes;
        qint64 expected;
    };
    for (const Case c : {Case{1 << 20, kWriteFinished}, Case{64 * 1024, kWriteFailed}}) {
        SCOPED_TRACE(c.mountBytes);
        QDir(jobFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(jobFolder()));
        TmpfsMount mount(jobFolder(), c.mountBytes);
        if (!mount.isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
        const QByteArray file = ArticleFixtures::randomBytes(300000, 13);
        const QueuePtr part =
            addPart(QStringLiteral("copy.bin"), ArticleFixtures::yencArticles(file, "copy.bin", 100000));

        ASSERT_EQ(write(part), c.expected);

        const QString path = jobFolder() + QStringLiteral("/copy.bin");
        if (c.expected == kWriteFinished) {
            EXPECT_EQ(fileBytes(path), file);
            EXPECT_EQ(filesIn(jobFolder()), QStringList{QStringLiteral("copy.bin")});
        } else {
            EXPECT_TRUE(logText(home_).contains(QStringLiteral("Write error (28) - ")));
            EXPECT_EQ(filesIn(jobFolder()), QStringList());
        }
        EXPECT_FALSE(QFileInfo::exists(FilePartSpool::spoolFolderFor(download_)));
    }
}

TEST_F(Writer, PasswordProbeFollowsTheSetting)
{
    const QByteArray archive = Rar4Builder()
                                   .addFile(QStringLiteral("secret.txt"), "top secret")
                                   .setPassword(QStringLiteral("pw"))
                                   .build();
    for (const bool enabled : {false, true}) {
        SCOPED_TRACE(enabled);
        UserDefaults::standard().setBool(enabled, QStringLiteral("enablePwdCheck"));
        job_->setHasPassword(false);
        job_->setPwdDectected(false);
        const QueuePtr part =
            addPart(QStringLiteral("p"),
                    {ArticleFixtures::yencBody(archive, {.name = "locked.rar", .fileSize = archive.size()})});
        ASSERT_EQ(write(part), kWriteFinished);
        spinEventLoop(20);
        EXPECT_EQ(job_->pwdDectected(), enabled);
        EXPECT_EQ(job_->hasPassword(), enabled);
        // Written all the same.
        EXPECT_EQ(fileBytes(jobFolder() + QStringLiteral("/locked.rar")), archive);
    }
}

TEST_F(Writer, PartWithoutAnyNameIsAWriteFailure)
{
    const QueuePtr part = addPart(QString(), {ArticleFixtures::yencBody("abc", {.name = "", .fileSize = 3})});
    EXPECT_EQ(write(part), kWriteFailed);
    const QString log = logText(home_);
    EXPECT_TRUE(log.contains(QStringLiteral("Error: Empty filename: - "))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Write failed for: ")));
    EXPECT_FALSE(part->isDownloaded());
}

// The folder of the job's title holds the files of an earlier download of
// the same title (the same NZB, added again after a restart): the job writes
// into a folder of its own beside it, and keeps that folder for each of its
// files, also once it is restored with it. The earlier files are not touched.
TEST_F(Writer, AJobWritesIntoAFolderOfItsOwnNeverIntoOneHoldingOtherFiles)
{
    QDir().mkpath(jobFolder());
    QFile earlier(jobFolder() + QStringLiteral("/photos.part1.rar"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly) && earlier.write("the earlier download") > 0);
    earlier.close();
    const QByteArray first = ArticleFixtures::randomBytes(30000, 81);
    const QByteArray second = ArticleFixtures::randomBytes(20000, 82);
    const QueuePtr one =
        addPart(QStringLiteral("one"), ArticleFixtures::yencArticles(first, "photos.part1.rar", 64000));
    const QueuePtr two =
        addPart(QStringLiteral("two"), ArticleFixtures::yencArticles(second, "photos.part2.rar", 64000));

    ASSERT_EQ(write(one), kWriteFinished);
    const QString own = jobFolder() + QStringLiteral(".1");
    EXPECT_EQ(job_->downloadUrl(), own);
    EXPECT_EQ(fileBytes(own + QStringLiteral("/photos.part1.rar")), first);
    ASSERT_EQ(write(two), kWriteFinished);
    EXPECT_EQ(job_->downloadUrl(), own);
    EXPECT_EQ(fileBytes(own + QStringLiteral("/photos.part2.rar")), second);
    EXPECT_EQ(fileBytes(jobFolder() + QStringLiteral("/photos.part1.rar")), "the earlier download");
    EXPECT_EQ(filesIn(jobFolder()), QStringList({QStringLiteral("photos.part1.rar")}));

    // The same job as the save state brings it back at the next start.
    const QString title = job_->title();
    job_ = Queue::create();
    job_->setTitle(title);
    job_->setIsNZB(true);
    job_->setDownloadUrl(own);
    const QByteArray third = ArticleFixtures::randomBytes(10000, 83);
    const QueuePtr three =
        addPart(QStringLiteral("three"), ArticleFixtures::yencArticles(third, "photos.part3.rar", 64000));
    ASSERT_EQ(write(three), kWriteFinished);
    EXPECT_EQ(job_->downloadUrl(), own);
    EXPECT_EQ(fileBytes(own + QStringLiteral("/photos.part3.rar")), third);
}

// A data file posted under a meaningless name takes the name its recovery
// set gives it (found by the MD5 of its first 16 KiB); a folder in that name
// is not followed.
TEST_F(Writer, DataFileTakesTheNameOfItsRecoverySetEntry)
{
    const QByteArray content = ArticleFixtures::randomBytes(50000, 21);
    const QByteArray index = HandMadePar2Set::index(16384, {{"disc/feature film.mkv", content}});
    const QueuePtr par2 =
        addPart(QStringLiteral("set.par2"),
                {ArticleFixtures::yencBody(index, {.name = "set.par2", .fileSize = index.size()})});
    par2->setIspar(true);
    par2->setIsmainpar(true);
    const QueuePtr data =
        addPart(QStringLiteral("a8f3k2"),
                {ArticleFixtures::yencBody(content, {.name = "a8f3k2", .fileSize = content.size()})});

    ASSERT_EQ(write(par2), kWriteFinished);
    ASSERT_NE(job_->repairObject(), nullptr);
    ASSERT_EQ(write(data), kWriteFinished);

    EXPECT_EQ(data->filename(), QStringLiteral("feature film.mkv"));
    EXPECT_EQ(fileBytes(jobFolder() + QStringLiteral("/feature film.mkv")), content);
    EXPECT_EQ(data->md516k(), HandMadePar2Set::md516kHex(content));
    EXPECT_FALSE(QFileInfo::exists(jobFolder() + QStringLiteral("/a8f3k2")));
}

// Digests computed on the way must equal those of the file as it ends up,
// whatever the order of the writes.
// The scheduler's handler of a part waiting to be written hands it to its
// own write queue, with its repair controller; the part ends finished.
TEST_F(Writer, SchedulerWritesAWaitingPartThroughItsWriteQueue)
{
    QueueController scheduler;
    scheduler.setRepairController(repair_.get());
    const QByteArray file = ArticleFixtures::randomBytes(20000, 29);
    const QueuePtr part =
        addPart(QStringLiteral("p"), ArticleFixtures::yencArticles(file, "handed.bin", 8000));
    job_->setDelegate(&scheduler);
    part->setDelegate(&scheduler);

    part->setStatus(FilePartStatus::Downloaded);

    ASSERT_TRUE(waitUntil([&] { return part->status() == FilePartStatus::Finished; }, 20000)) << part->status();
    EXPECT_EQ(fileBytes(jobFolder() + QStringLiteral("/handed.bin")), file);
    EXPECT_EQ(scheduler.fileWriteController().repairController(), repair_.get());
    EXPECT_EQ(scheduler.filesInWriteQueue(), 0);
    part->setDelegate(nullptr);
    job_->setDelegate(nullptr);
}

TEST_F(Writer, OnceStoppedItNeitherWritesNorReportsToTheIndexItWasGiven)
{
    // Out of order, so the whole file's digest follows the write on its own
    // thread, and a large file keeps it busy.
    const QByteArray file = ArticleFixtures::randomBytes(8 << 20, 41);
    QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "late.bin", 512000);
    std::reverse(articles.begin(), articles.end());
    const QueuePtr part = addPart(QStringLiteral("late.bin"), articles);
    ASSERT_EQ(write(part), kWriteFinished);

    writer_->stop();
    EXPECT_EQ(writer_->digestQueue().operationCount(), 0);
    // What the writing reported to can go at once (the sanitizers see a
    // digest reporting afterwards).
    repair_.reset();
    index_.reset();

    const QueuePtr later =
        addPart(QStringLiteral("later.bin"), ArticleFixtures::yencArticles(file.first(20000), "later.bin", 8000));
    later->setStatus(FilePartStatus::WaitingForDiskWrite);
    writer_->addFileToQueue(later);
    EXPECT_EQ(writer_->filesInWriteQueue(), 0);
    spinEventLoop(200);
    EXPECT_EQ(later->status(), FilePartStatus::WaitingForDiskWrite);
    EXPECT_FALSE(QFileInfo::exists(jobFolder() + QStringLiteral("/later.bin")));
}

// A part whose articles arrive one by one, as the connections deliver them:
// each body is booked (status 2) and reported to the write side, and the
// next one comes once the write queue has done what the last one asked for
// (a download slower than decoding, as it is in practice).
// A part whose articles arrive one by one, as the connections deliver them:
// each body is booked (status 2) and handed to the write side, and the next
// one comes once the decode pool is done with it (a download slower than
// decoding).
class EarlySpooling : public Writer
{
protected:
    // A part with the articles' segments, none of them downloaded yet.
    QueuePtr addDownloadingPart(const QString& postedName, const QList<QByteArray>& articles)
    {
        const QueuePtr part = addPart(postedName, articles);
        for (const SegmentPtr& segment : part->segments()) {
            segment->setFiledata(QByteArray());
            segment->setStatus(ArticleStatus::Downloading);
        }
        return part;
    }

    static qint64 bodiesHeld(const QueuePtr& part)
    {
        qint64 held = 0;
        for (const SegmentPtr& segment : part->segments())
            held += segment->filedata().size();
        return held;
    }

    // Delivers the articles in `order`, to `writer` (the fixture's by
    // default).
    void deliver(const QueuePtr& part, const QList<QByteArray>& articles, const QList<int>& order,
                 FileWriteController* writer = nullptr)
    {
        if (!writer) writer = writer_.get();
        const QList<SegmentPtr> segments = part->segments();
        for (const int i : order) {
            segments[i]->setFiledata(articles[i]);
            EXPECT_TRUE(segments[i]->replaceStatus(ArticleStatus::Downloading, ArticleStatus::Downloaded));
            writer->bodyArrived(part, segments[i]);
            writer->decodePool().waitUntilIdle();
        }
    }

    static QList<int> inOrder(qsizetype count)
    {
        QList<int> order;
        for (int i = 0; i < count; ++i)
            order.append(i);
        return order;
    }

    qsizetype spoolFiles() const
    {
        return QDir(FilePartSpool::spoolFolderFor(download_)).entryList(QDir::Files | QDir::Hidden).size();
    }
};

// Each article with offsets goes to the part's spool as it arrives, in any
// order; none stays in memory, and the file ends whole.
TEST_F(EarlySpooling, ArticlesAreDecodedIntoTheSpoolAtTheirOffsetsInAnyOrder)
{
    const QByteArray file = ArticleFixtures::randomBytes(1200000, 41);
    const QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "large.bin", 40000);
    ASSERT_GE(articles.size(), 30);

    // In order, backwards, and with the connections' usual disorder (the
    // first article last, neighbours swapped).
    QList<int> shuffled = inOrder(articles.size());
    shuffled.move(0, shuffled.size() - 1);
    for (qsizetype i = 0; i + 1 < shuffled.size(); i += 2)
        shuffled.swapItemsAt(i, i + 1);
    QList<int> backwards = inOrder(articles.size());
    std::reverse(backwards.begin(), backwards.end());
    for (const QList<int>& order : {inOrder(articles.size()), backwards, shuffled}) {
        SCOPED_TRACE(order.first());
        const QueuePtr part = addDownloadingPart(QStringLiteral("posted name"), articles);

        deliver(part, articles, order);

        for (const SegmentPtr& segment : part->segments()) {
            EXPECT_TRUE(segment->spooled()) << segment->segnr();
            EXPECT_TRUE(segment->filedata().isEmpty()) << segment->segnr();
        }
        EXPECT_EQ(bodiesHeld(part), 0);
        EXPECT_EQ(spoolFiles(), 1);

        ASSERT_EQ(write(part), kWriteFinished);
        const QString path = jobFolder() + QStringLiteral("/large.bin");
        EXPECT_TRUE(fileBytes(path) == file);
        EXPECT_EQ(part->filename(), QStringLiteral("large.bin"));
        EXPECT_TRUE(md5Follows(part, file)) << part->md5().toStdString();
        EXPECT_EQ(part->md516k(), md5Hex(file.first(16384)));
        EXPECT_FALSE(QFileInfo::exists(FilePartSpool::spoolFolderFor(download_)));
        QFile::remove(path);
        job_->removeFilepart(part);
    }
    qint64 allBodies = 0;
    for (const QByteArray& a : articles)
        allBodies += a.size();
    EXPECT_EQ(writer_->spooledBytes(), 3 * allBodies);
}

// An article of another file among a part's arrivals (its own size and
// name, offsets inside this part) is neither spooled nor written: the file
// keeps its size, the article's range stays zeros and counts as missing.
TEST_F(EarlySpooling, AnArticleOfAnotherFileIsNeitherSpooledNorWritten)
{
    const QByteArray file = ArticleFixtures::randomBytes(20000, 47);
    QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "right.rar", 5000);
    ASSERT_EQ(articles.size(), 4);
    ArticleFixtures::YencPart other;
    other.name = "other.rar";
    other.part = 3;
    other.total = 80;
    other.begin = 10001;
    other.fileSize = 393379;
    articles[2] = ArticleFixtures::yencBody(ArticleFixtures::randomBytes(5000, 48), other);
    const QueuePtr part = addDownloadingPart(QStringLiteral("posted"), articles);
    const qint64 missingBefore = job_->totalMissingArticles();

    deliver(part, articles, {1, 0, 2, 3});

    const QList<SegmentPtr> segments = part->segments();
    for (qsizetype i = 0; i < segments.size(); ++i)
        EXPECT_EQ(segments[i]->spooled(), i != 2) << i;
    ASSERT_EQ(write(part), kWriteFinished);
    QByteArray want = file;
    want.replace(10000, 5000, QByteArray(5000, '\0'));
    EXPECT_TRUE(fileBytes(jobFolder() + QStringLiteral("/right.rar")) == want);
    EXPECT_EQ(job_->totalMissingArticles(), missingBefore + 1);
}

// Parts without offsets in their articles are written from memory as
// before.
TEST_F(EarlySpooling, BodiesWithoutOffsetsStayHeldUntilTheFinalWrite)
{
    const QByteArray data = QByteArray("\xFF\xD8\xFF\xE0", 4) + ArticleFixtures::randomBytes(300000, 43);
    const QList<QByteArray> articles =
        ArticleFixtures::splitIntoBodies(ArticleFixtures::uuencodeText(data, "song.mp3"), 400);
    ASSERT_GE(articles.size(), 4);
    const QueuePtr part = addDownloadingPart(QStringLiteral("posted"), articles);

    deliver(part, articles, inOrder(articles.size()));

    for (const SegmentPtr& segment : part->segments())
        EXPECT_FALSE(segment->spooled());
    EXPECT_EQ(spoolFiles(), 0);
    ASSERT_EQ(write(part), kWriteFinished);
    EXPECT_EQ(fileBytes(jobFolder() + QStringLiteral("/song.mp3")), data);
}

TEST_F(EarlySpooling, SpoolOfACancelledPartIsRemoved)
{
    const QByteArray file = ArticleFixtures::randomBytes(600000, 47);
    const QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "gone.bin", 40000);
    const QList<int> firstHalf = inOrder(articles.size() / 2);
    enum class Way { Discarded, FinalWriteOfCancelledJob, SchedulerCancelsThePart };
    for (const Way way : {Way::Discarded, Way::FinalWriteOfCancelledJob, Way::SchedulerCancelsThePart}) {
        SCOPED_TRACE(int(way));
        job_->setIsCancelled(false);
        QueueController scheduler;
        FileWriteController& writer =
            way == Way::SchedulerCancelsThePart ? scheduler.fileWriteController() : *writer_;
        const QueuePtr part = addDownloadingPart(QStringLiteral("gone.bin"), articles);
        const QList<SegmentPtr> segments = part->segments();
        deliver(part, articles, firstHalf, &writer);
        ASSERT_EQ(spoolFiles(), 1);

        switch (way) {
        case Way::Discarded:
            job_->setIsCancelled(true);
            writer.discardSpool(part);
            break;
        case Way::FinalWriteOfCancelledJob:
            job_->setIsCancelled(true);
            ASSERT_EQ(write(part), kWriteFinished);
            EXPECT_FALSE(part->isDownloaded());
            break;
        case Way::SchedulerCancelsThePart:
            part->setDelegate(&scheduler);
            part->setStatus(FilePartStatus::Downloading);
            scheduler.cancelDPFilepart(part);
            EXPECT_TRUE(waitUntil([&] { return part->status() == JobStatus::Idle; }, 20000)) << part->status();
            for (const SegmentPtr& segment : segments) {
                EXPECT_FALSE(segment->spooled());
                EXPECT_EQ(segment->status(), ArticleStatus::Queued);
            }
            part->setDelegate(nullptr);
            break;
        }
        EXPECT_TRUE(
            waitUntil([&] { return !QFileInfo::exists(FilePartSpool::spoolFolderFor(download_)); }, 20000));
        EXPECT_FALSE(QFileInfo::exists(jobFolder() + QStringLiteral("/gone.bin")));
        job_->removeFilepart(part);
    }
}

// A spool the disk refuses takes what it can; the rest stays in memory, and
// the final write reports the failure as any write does. Nothing is lost:
// once the disk takes it, the part is written whole.
TEST_F(EarlySpooling, FailedSpoolingLosesNothing)
{
    const QByteArray file = ArticleFixtures::randomBytes(600000, 53);
    const QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "kept.bin", 40000);
    enum class Refusal { FileSizeLimit, ReadOnlyFolder };
    for (const Refusal refusal : {Refusal::FileSizeLimit, Refusal::ReadOnlyFolder}) {
        SCOPED_TRACE(int(refusal));
        std::unique_ptr<TmpfsMount> mount;
        if (refusal == Refusal::ReadOnlyFolder) {
            const QString folder = home_.makeFolder("ro");
            mount = std::make_unique<TmpfsMount>(folder, 4 << 20);
            if (!mount->isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
            ASSERT_TRUE(mount->setReadOnly(true));
            download_ = folder;
            setDownloadFolder(folder);
        }
        const QueuePtr part = addDownloadingPart(QStringLiteral("kept.bin"), articles);

        struct rlimit saved
        {
        };
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        if (refusal == Refusal::FileSizeLimit) {
            struct rlimit small = saved;
            small.rlim_cur = 200000;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        deliver(part, articles, inOrder(articles.size()));
        const qint64 first = write(part);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        ASSERT_EQ(first, kWriteFailed);
        EXPECT_TRUE(logText(home_).contains(QStringLiteral("Cannot spool the articles of kept.bin")));
        // Every article is either held or in the spool.
        qsizetype spooled = 0;
        for (const SegmentPtr& segment : part->segments()) {
            if (segment->spooled())
                ++spooled;
            else
                EXPECT_FALSE(segment->filedata().isEmpty()) << segment->segnr();
        }
        if (refusal == Refusal::FileSizeLimit) {
            EXPECT_GT(spooled, 0);
            EXPECT_TRUE(logText(home_).contains(QStringLiteral("Write error (27) - ")));
        } else {
            EXPECT_EQ(spooled, 0);
            EXPECT_TRUE(logText(home_).contains(QStringLiteral("Write error (30) - ")));
            ASSERT_TRUE(mount->setReadOnly(false));
        }

        ASSERT_EQ(write(part), kWriteFinished);
        const QString path = jobFolder() + QStringLiteral("/kept.bin");
        EXPECT_TRUE(fileBytes(path) == file);
        EXPECT_TRUE(md5Follows(part, file)) << part->md5().toStdString();
        EXPECT_FALSE(QFileInfo::exists(FilePartSpool::spoolFolderFor(download_)));
        QDir(jobFolder()).removeRecursively();
        job_->removeFilepart(part);
    }
}

// Articles marked spooled whose bytes no spool holds (it was dropped) are
// not written as zeros: they go back to the connections, and the part is
// written once they are downloaded again.
TEST_F(EarlySpooling, ArticlesMissingFromTheSpoolAreDownloadedAgain)
{
    QueueController scheduler;
    scheduler.setRepairController(repair_.get());
    const QByteArray file = ArticleFixtures::randomBytes(200000, 59);
    const QList<QByteArray> articles = ArticleFixtures::yencArticles(file, "again.bin", 40000);
    const QueuePtr part = addPart(QStringLiteral("again.bin"), articles);
    const QList<SegmentPtr> segments = part->segments();
    for (const SegmentPtr& segment : segments)
        segment->setStatus(ArticleStatus::Downloaded);
    for (const int i : {1, 3}) {
        segments[i]->setFiledata(QByteArray());
        segments[i]->setSpooled(true);
    }
    job_->setDelegate(&scheduler);
    part->setDelegate(&scheduler);
    job_->setStatus(JobStatus::SavingToDisk);

    part->setStatus(FilePartStatus::WaitingForDiskWrite);

    ASSERT_TRUE(waitUntil([&] { return part->status() == FilePartStatus::Downloading; }, 20000)) << part->status();
    EXPECT_EQ(part->totalSegmentsLeftToDownload(), 2);
    EXPECT_EQ(job_->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(scheduler.filesInWriteQueue(), 0);
    EXPECT_TRUE(waitUntil([&] { return scheduler.fileWriteController().filesInWriteQueue() == 0; }, 20000));
    for (qsizetype i = 0; i < segments.size(); ++i) {
        SCOPED_TRACE(i);
        const bool sentBack = i == 1 || i == 3;
        EXPECT_EQ(segments[i]->status(), sentBack ? 99 : 2);
        EXPECT_FALSE(segments[i]->spooled());
        EXPECT_EQ(segments[i]->filedata().isEmpty(), sentBack);
    }
    EXPECT_FALSE(QFileInfo::exists(jobFolder() + QStringLiteral("/again.bin")));

    // The connections bring them again.
    for (const int i : {1, 3}) {
        ASSERT_TRUE(segments[i]->replaceStatus(ArticleStatus::Queued, ArticleStatus::Downloading));
        segments[i]->setFiledata(articles[i]);
        scheduler.updateQueueAfterDownload(segments[i]);
    }
    ASSERT_TRUE(waitUntil([&] { return part->status() == FilePartStatus::Finished; }, 20000)) << part->status();
    EXPECT_TRUE(fileBytes(jobFolder() + QStringLiteral("/again.bin")) == file);
    part->setDelegate(nullptr);
    job_->setDelegate(nullptr);
}

TEST(FilePartSpoolDigests, MatchTheFileForAnyOrderOfWrites)
{
    TempHome home;
    const QByteArray data = ArticleFixtures::randomBytes(70000, 17);
    struct Write
    {
        qint64 offset;
        qint64 size;
    };
    const QList<QList<Write>> orders = {
        {{0, 30000}, {30000, 40000}}, // in order
        {{40000, 30000}, {0, 40000}}, // backwards
        {{0, 10000}, {20000, 50000}}, // a gap of zeros
        {{0, 70000}, {100, 200}},     // a stretch written twice
        {{20000, 50000}},             // the start never written
    };
    for (const QList<Write>& order : orders) {
        int code = 0;
        QString error;
        const auto spool = FilePartSpool::create(home.makeFolder("dl"), &code, &error);
        ASSERT_NE(spool, nullptr) << error.toStdString();
        QByteArray expected;
        for (const Write& w : order) {
            ASSERT_TRUE(spool->writeAt(w.offset, QByteArrayView(data).sliced(w.offset, w.size)));
            if (expected.size() < w.offset + w.size) expected.resize(w.offset + w.size, '\0');
            expected.replace(w.offset, w.size, data.sliced(w.offset, w.size));
        }
        EXPECT_EQ(spool->size(), expected.size());
        EXPECT_EQ(fileBytes(spool->path()), expected);
        EXPECT_EQ(spool->md5(), md5Hex(expected));
        EXPECT_EQ(spool->md516k(), md5Hex(expected.first(16384)));
    }
}

// Articles of one part decode on several threads at once: each writes its
// range, and the spool ends as long as the furthest byte, the bytes in
// place.
TEST(FilePartSpoolWrites, SeveralThreadsWriteTheirRangesAtOnce)
{
    TempHome home;
    const QByteArray data = ArticleFixtures::randomBytes(8 * 64 * 1000, 19);
    int code = 0;
    QString error;
    const auto spool = FilePartSpool::create(home.makeFolder("dl"), &code, &error);
    ASSERT_NE(spool, nullptr) << error.toStdString();
    spool->setComputeDigests(false);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            // Each thread its own ranges, the last of the file among them,
            // written backwards.
            for (int i = 63; i >= 0; --i) {
                const qsizetype at = qsizetype(i * 8 + t) * 1000;
                if (!spool->writeAt(at, QByteArrayView(data).sliced(at, 1000))) ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(spool->size(), data.size());
    EXPECT_TRUE(fileBytes(spool->path()) == data);
    EXPECT_EQ(spool->md5(), md5Hex(data));
}

// Parts of one job are spooled and placed on several threads: the spool
// folder that a placed part removes as empty may be made again by another
// part at the same moment, and no part may then fail to find it.
TEST(FilePartSpoolFolder, PartsMadeWhileOthersArePlacedAlwaysGetTheirFile)
{
    TempHome home;
    const QString download = home.makeFolder("dl");
    std::atomic<int> failures{0};
    std::mutex firstFailureMutex;
    QString firstFailure;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                int code = 0;
                QString error;
                const auto spool = FilePartSpool::create(download, &code, &error);
                const char* step = !spool                      ? "create"
                                   : !spool->writeAt(0, "x") ? "write"
                                   : !spool->moveTo(QDir(download).filePath(QStringLiteral("f%1-%2").arg(t).arg(i)))
                                       ? "move"
                                       : nullptr;
                if (step) {
                    ++failures;
                    const std::lock_guard lock(firstFailureMutex);
                    if (firstFailure.isEmpty())
                        firstFailure = QString::fromLatin1(step) + QStringLiteral(": ") +
                                       (spool ? spool->errorString() : error);
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0) << firstFailure.toStdString();
    EXPECT_EQ(QDir(download).entryList(QDir::Files).size(), 4 * 300);
}

// A run that crashed leaves its spool files; the next run removes them, but
// never those of a run that is still going.
TEST(FilePartSpoolLeftovers, FilesOfEndedRunsGoThoseOfLiveRunsStay)
{
    TempHome home;
    const QString download = home.makeFolder("dl");
    const QString folder = FilePartSpool::spoolFolderFor(download);
    ASSERT_TRUE(QDir().mkpath(folder));
    const pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const QString endedFile = folder + QStringLiteral("/part-%1-00000000000000aa.tmp").arg(ended);
    const QString liveFile = folder + QStringLiteral("/part-%1-00000000000000bb.tmp").arg(::getppid());
    const QString otherFile = folder + QStringLiteral("/notes.txt");
    for (const QString& path : {endedFile, liveFile, otherFile}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("left");
    }

    int code = 0;
    QString error;
    const auto spool = FilePartSpool::create(download, &code, &error);
    ASSERT_NE(spool, nullptr) << error.toStdString();

    EXPECT_FALSE(QFileInfo::exists(endedFile));
    EXPECT_TRUE(QFileInfo::exists(liveFile));
    EXPECT_TRUE(QFileInfo::exists(otherFile));
    EXPECT_TRUE(QFileInfo::exists(spool->path()));
}

TEST(FilePartWriterNames, SlashesOfARecoverySetNameBecome2F)
{
    EXPECT_EQ(FilePartWriter::removeSlashesFromFilename(QStringLiteral("a/b/c.rar")),
              QStringLiteral("a2Fb2Fc.rar"));
    EXPECT_EQ(FilePartWriter::removeSlashesFromFilename(QStringLiteral("plain.rar")),
              QStringLiteral("plain.rar"));
}

} // namespace
