// One post (a film and its PAR2 set) downloaded by two jobs from a real news
// server, as a returning user does: from its intact NZB and from a copy of
// the NZB in which some articles carry message-ids the server never had
// (it answers 430 for them), in one run of the engine or in two. Every job
// ends with the exact film in its own folder, the damaged ones repaired, and
// the folder of the earlier job stays as that job left it.

#include "InnEndToEnd.h"

#include "platform/UserDefaults.h"
#include "queue/FODController.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/Par2SetMaker.h"

#include <QDir>
#include <QFileInfo>

#include <ostream>

namespace {

constexpr qint64 kFilmBytes = 3000000;
// One slice per article: each lost article costs one block, and the set's
// four recovery blocks mend up to four.
constexpr qint64 kSliceBytes = 100000;
constexpr qsizetype kArticleBytes = 100000;

struct TwoJobs
{
    const char* name;
    QList<int> firstLoses;  // articles of the film the first job's NZB lacks
    QList<int> secondLoses; // and the second's
    bool restartBetween;    // the engine quits and starts again between them
    bool sameNzbName;       // both NZB files have one name (one job title)
};

void PrintTo(const TwoJobs& c, std::ostream* os)
{
    *os << c.name;
}

class InnSameSet : public InnEndToEnd, public ::testing::WithParamInterface<TwoJobs>
{
protected:
    QList<PostedFile> posted; // the film first, then its PAR2 files
    QString staging;

    void SetUp() override
    {
        InnEndToEnd::SetUp();
        if (HasFatalFailure()) return;
        if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
        // Finished jobs stay in the download folder, where the next job
        // finds their files.
        UserDefaults::standard().setBool(false, QStringLiteral("moveAfterDownload"));
        staging = home.makeFolder(QStringLiteral("staging"));
        QString output;
        posted = makeFileWithPar2Set(staging, QStringLiteral("Holiday.mkv"), kFilmBytes, 3901, kSliceBytes, 4,
                                     kArticleBytes, &output);
        ASSERT_GE(posted.size(), 3) << output.toStdString();
        for (const PostedFile& f : posted) {
            QString error;
            ASSERT_TRUE(postTo(inn.port(), InnServer::group(), f, &error)) << error.toStdString();
        }
        addInnServer(QStringLiteral("INN"), 4);
    }

    // An NZB of the post whose articles `lost` of the film are not on the
    // server.
    QString nzbLosing(const QString& name, const QList<int>& lost)
    {
        return writeNzb(posted, name, losingArticles(0, lost));
    }

    // Imports the NZB and waits until its job has ended.
    QueuePtr download(const QString& nzb)
    {
        const QueuePtr job = import(nzb);
        EXPECT_TRUE(job) << nzb.toStdString();
        if (!job) return nullptr;
        const QList<qint64> ends = {JobStatus::Finished, JobStatus::NotEnoughRepairBlocks,
                                    JobStatus::RepairNotPossible, JobStatus::NothingDownloaded};
        const bool ended = waitUntil(
            [&] {
                const QList<qint64> codes = codesOf(job);
                return std::any_of(ends.begin(), ends.end(), [&](qint64 end) { return codes.contains(end); });
            },
            60000);
        EXPECT_TRUE(ended) << "status " << job->status() << " " << job->commentTextField().toStdString();
        return job;
    }

    // A quit and a new start: the index of the files on disk is written to
    // the download folder and read back by the next run.
    void restartEngine()
    {
        ASSERT_TRUE(engine->fodController()->saveAllEntries());
        engine.reset();
        scheduler = nullptr;
        spinEventLoop(20);
        startEngine();
        addInnServer(QStringLiteral("INN"), 4);
    }

    // Every file below `folder` with its bytes.
    static QMap<QString, QByteArray> contentOf(const QString& folder)
    {
        QMap<QString, QByteArray> content;
        for (const QString& name : filesBelow(folder))
            content.insert(name, fileBytes(QDir(folder).filePath(name)));
        return content;
    }

    void expectFinishedWithTheFilm(const QueuePtr& job, bool damaged)
    {
        const QList<qint64> codes = codesOf(job);
        EXPECT_EQ(job->status(), JobStatus::Finished)
            << job->title().toStdString() << ": " << job->commentTextField().toStdString();
        // A damaged copy is never called finished unproven: it is repaired.
        if (damaged) {
            EXPECT_TRUE(containsInOrder(codes, {JobStatus::AllFilesWritten, JobStatus::Repairing,
                                                JobStatus::RepairFinished, JobStatus::Finished}))
                << job->title().toStdString() << ": " << ::testing::PrintToString(codes);
        }
        EXPECT_TRUE(sameFile(QDir(staging).filePath(QStringLiteral("Holiday.mkv")), job->downloadUrl(),
                             QStringLiteral("Holiday.mkv")))
            << job->downloadUrl().toStdString();
    }
};

TEST_P(InnSameSet, EachJobEndsWithTheExactFilmInItsOwnFolderAndTheEarlierFolderIsLeftAsItWas)
{
    const TwoJobs& c = GetParam();
    const QString firstName = QStringLiteral("Holiday");
    const QString secondName = c.sameNzbName ? firstName : QStringLiteral("Holiday again");
    const QString firstNzb = nzbLosing(firstName, c.firstLoses);
    const QueuePtr first = download(firstNzb);
    ASSERT_TRUE(first);
    expectFinishedWithTheFilm(first, !c.firstLoses.isEmpty());
    const QString firstFolder = first->downloadUrl();
    const QMap<QString, QByteArray> left = contentOf(firstFolder);
    ASSERT_TRUE(left.contains(QStringLiteral("Holiday.mkv")));

    if (c.restartBetween) {
        ASSERT_NO_FATAL_FAILURE(restartEngine());
    }
    // An NZB of the same name is written where the first one was.
    const QueuePtr second = download(nzbLosing(secondName, c.secondLoses));
    ASSERT_TRUE(second);
    expectFinishedWithTheFilm(second, !c.secondLoses.isEmpty());

    EXPECT_NE(QDir::cleanPath(second->downloadUrl()), QDir::cleanPath(firstFolder));
    EXPECT_TRUE(QFileInfo(firstFolder).isDir()) << firstFolder.toStdString();
    const QMap<QString, QByteArray> now = contentOf(firstFolder);
    EXPECT_EQ(now.keys(), left.keys());
    EXPECT_TRUE(now == left) << "the first job's folder changed";
    if (!c.restartBetween) {
        // The first job was told nothing new either.
        EXPECT_EQ(codesOf(first).last(), JobStatus::Finished);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, InnSameSet,
    ::testing::Values(TwoJobs{"IntactThenDamagedInOneRun", {}, {7, 22}, false, false},
                      TwoJobs{"IntactThenDamagedInTwoRuns", {}, {7, 22}, true, false},
                      TwoJobs{"IntactThenDamagedInTwoRunsFromNzbFilesOfOneName", {}, {7, 22}, true, true},
                      TwoJobs{"DamagedThenIntactInOneRun", {3, 18}, {}, false, false},
                      TwoJobs{"RepairedThenDamagedInOneRun", {3, 18}, {7, 22, 26}, false, false}),
    [](const ::testing::TestParamInfo<TwoJobs>& info) { return std::string(info.param.name); });

} // namespace
