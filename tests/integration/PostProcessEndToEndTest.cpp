// Jobs downloaded from a scripted news server and taken through the whole
// chain by the engine as the program wires it, with the real tools: par2
// repairs what arrived damaged, the volumes get their names back from the
// PAR2 set, unar and 7zz extract, the clean-up removes what the default
// patterns name, and the result is moved to the final folder; a job beyond
// repair stops with its files kept.

#include "EngineEndToEnd.h"

#include "platform/UserDefaults.h"
#include "postprocess/CleanupItemsController.h"
#include "postprocess/ToolLocator.h"

#include "queue/StatusCodes.h"
#include "support/ArchiveFixtureBuilder.h"
#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "support/Par2SetMaker.h"
#include "support/Rar4Builder.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>
#include <ostream>

namespace {

std::string text(const QList<qint64>& codes)
{
    return QDebug::toString(codes).toStdString();
}

class PostProcessEndToEnd : public EngineEndToEnd
{
protected:
    QString staging;

    void SetUp() override
    {
        if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
        EngineEndToEnd::SetUp();
        // The tools on PATH, not scripted stand-ins of a helpers folder.
        ToolLocator::setHelpersFolder(home.makeFolder(QStringLiteral("no-helpers")));
        // As at the program's start: the clean-up patterns, the defaults on
        // a first run.
        engine->cleanupItemsController()->loadItems();
        staging = home.makeFolder(QStringLiteral("staging"));
    }
    void TearDown() override
    {
        EngineEndToEnd::TearDown();
        ToolLocator::setHelpersFolder(QString());
    }

    // The PAR2 set over `files` of the staging folder, named `name`.
    QStringList makePar2(const QString& name, const QStringList& files, int recoveryBlocks)
    {
        QString out;
        QStringList made = Par2SetMaker::create(staging, name, files, 4096, recoveryBlocks, &out);
        EXPECT_FALSE(made.isEmpty()) << out.toStdString();
        return made;
    }

    QList<PostedFile> postAll(const QStringList& paths, qsizetype partBytes)
    {
        QList<PostedFile> posted;
        for (const QString& path : paths)
            posted.append(postFile(path, partBytes));
        return posted;
    }

    static void serveAll(ScriptedNntpServer& server, const QList<PostedFile>& files)
    {
        for (const PostedFile& f : files)
            serve(server, f);
    }

    static PostedFile* find(QList<PostedFile>& files, const QString& name)
    {
        for (PostedFile& f : files)
            if (f.name == name) return &f;
        return nullptr;
    }
};

TEST_F(PostProcessEndToEnd, RarVolumesWithADamagedArticleAreRepairedExtractedCleanedAndMoved)
{
    if (QStandardPaths::findExecutable(QStringLiteral("unar")).isEmpty())
        GTEST_SKIP() << "unar is not installed";
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    const QByteArray movie = ArticleFixtures::randomBytes(300000, 31);
    const QStringList volumes = Rar4Builder()
                                    .addFile(QStringLiteral("movie.mkv"), movie)
                                    .writeVolumes(staging, QStringLiteral("Movie"), 100000);
    ASSERT_EQ(volumes.size(), 3);
    QStringList volumeNames;
    for (const QString& v : volumes)
        volumeNames.append(QFileInfo(v).fileName());
    const QStringList par2 = makePar2(QStringLiteral("Movie"), volumeNames, 12);
    ASSERT_GE(par2.size(), 3);
    ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(staging + QStringLiteral("/Movie.nfo"), "about the movie"));

    QList<PostedFile> files =
        postAll(par2 + volumes + QStringList{staging + QStringLiteral("/Movie.nfo")}, 40000);
    PostedFile* second = find(files, QStringLiteral("Movie.part2.rar"));
    ASSERT_TRUE(second);
    ASSERT_EQ(second->mids.size(), 3);
    damageArticle(*second, 1);
    serveAll(server, files);

    const QueuePtr job = import(writeNzb(files, QStringLiteral("Movie")));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, 10)) << text(codesOf(job)) << " " << job->commentTextField().toStdString();

    const QList<qint64> codes = codesOf(job);
    // Short of blocks after the download: the held volumes that cover the
    // damage are fetched, then the set is repaired.
    EXPECT_TRUE(containsInOrder(codes, {105, 1, 17, 22, 105, 1, 2, 17, 14})) << text(codes);
    EXPECT_EQ(codesFromLast(codes, 14),
              (QList<qint64>{14, 3, 20, 47, 45, 15, 5, 21, 30, 31, 32, 58, 59, 53, 38, 52, 37, 10}))
        << text(codes);
    EXPECT_EQ(job->status(), JobStatus::Finished);
    // Some PAR2 volumes were needed, not all.
    int volumesFetched = 0;
    for (const PostedFile& f : files) {
        if (!f.name.contains(QStringLiteral(".vol"))) continue;
        if (server.bodyRequests("<" + f.mids.first() + ">") > 0) ++volumesFetched;
    }
    EXPECT_GE(volumesFetched, 1);
    EXPECT_LT(volumesFetched, par2.size() - 1);

    const QString folder = job->downloadUrl();
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
        << folder.toStdString();
    EXPECT_TRUE(entriesOf(downloadFolder).isEmpty()) << entriesOf(downloadFolder).join(u' ').toStdString();
    // The volumes went after the extraction, the PAR2 files by the default
    // patterns; the NFO file is not among those.
    EXPECT_EQ(filesBelow(folder), QStringList({QStringLiteral("Movie.nfo"), QStringLiteral("movie.mkv")}));
    const QByteArray extracted = fileBytes(folder + QStringLiteral("/movie.mkv"));
    EXPECT_EQ(extracted.size(), movie.size());
    EXPECT_TRUE(extracted == movie);
    EXPECT_EQ(fileBytes(folder + QStringLiteral("/Movie.nfo")), QByteArray("about the movie"));
}

TEST_F(PostProcessEndToEnd, ObfuscatedSplit7zVolumesGetTheirNamesFromThePar2SetAndAreExtracted)
{
    if (QStandardPaths::findExecutable(QStringLiteral("7zz")).isEmpty())
        GTEST_SKIP() << "7zz is not installed";
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    const QByteArray payload = ArticleFixtures::randomBytes(250000, 41);
    ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(
        staging + QStringLiteral("/Holiday.7z"), {{QStringLiteral("holiday.mkv"), payload}},
        QStringLiteral("7z"), {QStringLiteral("-v100k"), QStringLiteral("-mx0")}));
    const QStringList pieces =
        QDir(staging).entryList({QStringLiteral("Holiday.7z.*")}, QDir::Files, QDir::Name);
    ASSERT_EQ(pieces, QStringList({QStringLiteral("Holiday.7z.001"), QStringLiteral("Holiday.7z.002"),
                                   QStringLiteral("Holiday.7z.003")}));
    // The set names the pieces by their real names.
    const QStringList par2 = makePar2(QStringLiteral("Holiday"), pieces, 8);
    ASSERT_GE(par2.size(), 2);

    QList<PostedFile> files = postAll(par2, 40000);
    // Posted, subject and yEnc header alike, under names that say nothing.
    const QStringList obfuscated = {QStringLiteral("c9e1f07a2b5d44e8a1"),
                                    QStringLiteral("0f3b7d92e6a14c58bb"),
                                    QStringLiteral("7ad2c4e81f9b3065dc")};
    for (qsizetype i = 0; i < pieces.size(); ++i)
        files.append(postFile(staging + QLatin1Char('/') + pieces[i], 40000, obfuscated[i]));
    for (const PostedFile& f : files)
        for (const QByteArray& body : f.bodies)
            ASSERT_FALSE(f.name != f.postedName && body.contains(f.name.toUtf8()));
    serveAll(server, files);

    const QueuePtr job = import(writeNzb(files, QStringLiteral("c9e1f07a2b5d")));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, 10)) << text(codesOf(job)) << " " << job->commentTextField().toStdString();

    const QList<qint64> codes = codesOf(job);
    // The pieces are joined under the names the set gave them back (7zz
    // finds the volumes of "Holiday.7z" by name), then extracted.
    EXPECT_TRUE(containsInOrder(
        codes, {105, 1, 17, 47, 43, 44, 45, 15, 5, 21, 30, 31, 32, 58, 59, 53, 38, 52, 37, 10}))
        << text(codes);
    EXPECT_EQ(codes.last(), 10) << text(codes);
    EXPECT_FALSE(codes.contains(22)) << text(codes);
    const QString folder = job->downloadUrl();
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
        << folder.toStdString();
    EXPECT_TRUE(entriesOf(downloadFolder).isEmpty()) << entriesOf(downloadFolder).join(u' ').toStdString();
    EXPECT_EQ(filesBelow(folder), QStringList({QStringLiteral("holiday.mkv")}));
    const QByteArray extracted = fileBytes(folder + QStringLiteral("/holiday.mkv"));
    EXPECT_EQ(extracted.size(), payload.size());
    EXPECT_TRUE(extracted == payload);
}

// A job with articles gone from every server, more than its PAR2 set can
// rebuild: articles of its first volume answered 430 by the main and the
// backup server alike.
struct BrokenJob
{
    QStringList volumeNames;
    QStringList par2Names;
    QList<PostedFile> files;
    QList<QByteArray> missing; // with angle brackets
};

class ArticlesMissingEndToEnd : public PostProcessEndToEnd
{
protected:
    ScriptedNntpServer* main = nullptr;
    ScriptedNntpServer* fill = nullptr;
    BrokenJob broken;

    void SetUp() override
    {
        PostProcessEndToEnd::SetUp();
        if (IsSkipped()) return;
        if (QStandardPaths::findExecutable(QStringLiteral("unar")).isEmpty())
            GTEST_SKIP() << "unar is not installed";
        main = &addServer(QStringLiteral("Main"), 2);
        fill = &addServer(QStringLiteral("Fill"), 1, true);
    }

    void post(qsizetype partBytes, int recoveryBlocks, const QList<qsizetype>& missing)
    {
        const QStringList volumes =
            Rar4Builder()
                .addFile(QStringLiteral("b.bin"), ArticleFixtures::randomBytes(200000, 51))
                .writeVolumes(staging, QStringLiteral("Broken"), 100000);
        ASSERT_EQ(volumes.size(), 2);
        for (const QString& v : volumes)
            broken.volumeNames.append(QFileInfo(v).fileName());
        const QStringList par2 = makePar2(QStringLiteral("Broken"), broken.volumeNames, recoveryBlocks);
        ASSERT_GE(par2.size(), 2);
        for (const QString& p : par2)
            broken.par2Names.append(QFileInfo(p).fileName());

        broken.files = postAll(par2 + volumes, partBytes);
        serveAll(*main, broken.files);
        serveAll(*fill, broken.files);
        const PostedFile* first = find(broken.files, QStringLiteral("Broken.part1.rar"));
        ASSERT_TRUE(first);
        for (qsizetype i : missing) {
            ASSERT_LT(i, first->mids.size());
            const QByteArray mid = "<" + first->mids[i] + ">";
            broken.missing.append(mid);
            main->addRule(NntpRule::on("BODY").withArgument(mid).reply(430, "No such article"));
            fill->addRule(NntpRule::on("BODY").withArgument(mid).reply(430, "No such article"));
        }
    }

    static QByteArray bodiesAsked(const ScriptedNntpServer& server)
    {
        QByteArrayList asked;
        for (const QByteArray& line : server.commandLines())
            if (line.startsWith("BODY ")) asked.append(line.mid(5));
        return asked.join(' ');
    }

    // The stop at 42 and what it leaves: the files where they were written,
    // the final folder untouched.
    // `triedEverywhere`: each missing article was asked of both servers
    // (with servers skipped for the job an article may be given up
    // without asking the backup server).
    void expectStoppedBeyondRepair(const QueuePtr& job, bool triedEverywhere)
    {
        ASSERT_TRUE(waitForCode(job, 42))
            << text(codesOf(job)) << " " << job->commentTextField().toStdString()
            << "\nMain: " << bodiesAsked(*main).toStdString()
            << "\nFill: " << bodiesAsked(*fill).toStdString();
        // Nothing comes after the stop.
        EXPECT_FALSE(waitUntil([&] { return job->status() != JobStatus::NotEnoughRepairBlocks; }, 1500))
            << text(codesOf(job));

        const QList<qint64> codes = codesOf(job);
        EXPECT_TRUE(containsInOrder(codes, {105, 1, 17, 22, 42})) << text(codes);
        EXPECT_EQ(codes.last(), 42) << text(codes);
        for (qint64 step : {3, 5, 37, 10})
            EXPECT_FALSE(codes.contains(step)) << step << " in " << text(codes);
        EXPECT_TRUE(job->commentTextField().startsWith(QStringLiteral("Not enough repair blocks available")))
            << job->commentTextField().toStdString();
        EXPECT_EQ(job->restorePoint(), RestorePoint::Error);
        int askedOfFill = 0;
        for (const QByteArray& mid : broken.missing) {
            if (triedEverywhere) {
                EXPECT_GE(main->bodyRequests(mid), 1) << mid.toStdString();
                EXPECT_GE(fill->bodyRequests(mid), 1) << mid.toStdString();
            } else {
                EXPECT_GE(main->bodyRequests(mid) + fill->bodyRequests(mid), 1) << mid.toStdString();
            }
            askedOfFill += fill->bodyRequests(mid);
        }
        EXPECT_GE(askedOfFill, 1);

        const QString folder = job->downloadUrl();
        EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(downloadFolder).absoluteFilePath())
            << folder.toStdString();
        EXPECT_TRUE(entriesOf(finalFolder).isEmpty()) << entriesOf(finalFolder).join(u' ').toStdString();
        const QStringList kept = filesBelow(folder);
        for (const QString& name : broken.volumeNames + QStringList{broken.par2Names.first()})
            EXPECT_TRUE(kept.contains(name))
                << name.toStdString() << " not in " << kept.join(u' ').toStdString();
        const PostedFile* second = find(broken.files, QStringLiteral("Broken.part2.rar"));
        ASSERT_TRUE(second);
        EXPECT_TRUE(fileBytes(folder + QStringLiteral("/Broken.part2.rar")) == second->data);
    }
};

// Two articles among some 160: too few for a server to be skipped for the
// job, so the download ends; the slices they held are more than the set's
// one recovery block.
TEST_F(ArticlesMissingEndToEnd, AFewArticlesMissingBeyondRepairStopTheJobWithItsFilesKept)
{
    post(2500, 1, {4, 5});
    if (HasFatalFailure()) return;
    const QueuePtr job = import(writeNzb(broken.files, QStringLiteral("Broken")));
    ASSERT_TRUE(job);
    expectStoppedBeyondRepair(job, true);
    EXPECT_FALSE(codesOf(job).contains(27)) << text(codesOf(job));
}

// So many articles missing that every server is skipped for the job: it
// waits, paused, for the user; resumed, it fetches what is left from every
// server and stops where the set cannot help.
TEST_F(ArticlesMissingEndToEnd, ManyArticlesMissingPauseTheJobAndTheResumedJobStopsBeyondRepair)
{
    // Twenty articles in a row, some 50 kB, of some 85: a tenth of the job
    // is missed on each server long before the download could end.
    QList<qsizetype> run;
    for (qsizetype i = 1; i <= 20; ++i)
        run.append(i);
    post(2500, 2, run);
    if (HasFatalFailure()) return;
    const QueuePtr job = import(writeNzb(broken.files, QStringLiteral("Broken")));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, 27)) << text(codesOf(job));
    ASSERT_TRUE(waitUntil([&] { return job->isPaused(); }));
    EXPECT_FALSE(waitUntil([&] { return job->status() != JobStatus::PausedPossiblyIncomplete; }, 1500))
        << text(codesOf(job));
    EXPECT_TRUE(job->isMissing());
    EXPECT_EQ(job->restorePoint(), RestorePoint::Error);
    EXPECT_TRUE(entriesOf(finalFolder).isEmpty());

    engine->queueController()->resumeQueueObject(job);
    expectStoppedBeyondRepair(job, false);
    EXPECT_TRUE(containsInOrder(codesOf(job), {1, 27, 105, 1, 2, 17, 22, 42})) << text(codesOf(job));
}

// ---------------------------------------------------------------------------
// One data file of 80 articles and its PAR2 set of 20 recovery blocks
// (index, then volumes of 1, 2, 4, 8 and 5 blocks), some articles of the
// data gone from the server.

class FilmSetEndToEnd : public PostProcessEndToEnd
{
protected:
    static constexpr qsizetype kArticleBytes = 2500;

    QByteArray film;
    QStringList par2;
    QList<PostedFile> files;

    void postFilm(ScriptedNntpServer& server, const QList<qsizetype>& missing)
    {
        film = ArticleFixtures::randomBytes(200000, 61);
        ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(staging + QStringLiteral("/Film.mkv"), film));
        par2 = makePar2(QStringLiteral("Film"), {QStringLiteral("Film.mkv")}, 20);
        ASSERT_EQ(par2.size(), 6);
        files = postAll(par2 + QStringList{staging + QStringLiteral("/Film.mkv")}, kArticleBytes);
        ASSERT_EQ(data().mids.size(), 80);
        serveAll(server, files);
        for (qsizetype i : missing)
            server.addRule(
                NntpRule::on("BODY").withArgument(data().bracketedMid(i)).reply(430, "No such article"));
    }

    const PostedFile& data() { return *find(files, QStringLiteral("Film.mkv")); }

    // Waits for the job's end, or for a stop that ends its download.
    bool waitForEnd(const QueuePtr& job)
    {
        return waitUntil(
            [&] {
                const QList<qint64> codes = codesOf(job);
                return codes.contains(JobStatus::Finished) ||
                       codes.contains(JobStatus::NotEnoughRepairBlocks) ||
                       codes.contains(JobStatus::PausedPossiblyIncomplete);
            },
            60000);
    }

    int volumesFetched(const ScriptedNntpServer& server) const
    {
        int fetched = 0;
        for (const PostedFile& f : files) {
            if (f.name.contains(QStringLiteral(".vol")) && server.bodyRequests(f.bracketedMid(0)) > 0)
                ++fetched;
        }
        return fetched;
    }

    // The job fetched some of its held volumes, not all, was repaired and
    // moved, and the film is as it was posted.
    void expectRepairedWithHeldVolumes(const QueuePtr& job, const ScriptedNntpServer& server)
    {
        const QList<qint64> codes = codesOf(job);
        EXPECT_TRUE(containsInOrder(codes, {105, 1, 17, 22, 105, 1, 2, 17, 14, 3, 20})) << text(codes);
        EXPECT_GE(volumesFetched(server), 1);
        EXPECT_LT(volumesFetched(server), par2.size() - 1);
        expectRepairedFilm(job);
    }

    void expectRepairedFilm(const QueuePtr& job)
    {
        const QList<qint64> codes = codesOf(job);
        EXPECT_EQ(codes.last(), JobStatus::Finished)
            << text(codes) << " " << job->commentTextField().toStdString();
        EXPECT_FALSE(codes.contains(JobStatus::NotEnoughRepairBlocks)) << text(codes);
        EXPECT_FALSE(codes.contains(JobStatus::PausedPossiblyIncomplete)) << text(codes);
        const QString folder = job->downloadUrl();
        EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
            << folder.toStdString();
        const QByteArray repaired = fileBytes(folder + QStringLiteral("/Film.mkv"));
        EXPECT_EQ(repaired.size(), film.size());
        EXPECT_TRUE(repaired == film);
    }
};

// The share of missing articles that gives up a server is taken of the
// whole job: a few misses near its end are repaired, a file taken down
// still stops the job early.
TEST_F(FilmSetEndToEnd, FourArticlesMissingNearTheEndOfTheJobAreRepairedWithoutPausingIt)
{
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    ASSERT_NO_FATAL_FAILURE(postFilm(server, {74, 75, 76, 77}));
    const QueuePtr job = import(writeNzb(files, QStringLiteral("Film")));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForEnd(job)) << text(codesOf(job));
    expectRepairedWithHeldVolumes(job, server);
}

TEST_F(FilmSetEndToEnd, AFileTakenDownStillStopsTheJobEarly)
{
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    QList<qsizetype> all;
    for (qsizetype i = 0; i < 80; ++i)
        all.append(i);
    ASSERT_NO_FATAL_FAILURE(postFilm(server, all));
    const QueuePtr job = import(writeNzb(files, QStringLiteral("Film")));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::PausedPossiblyIncomplete, 30000)) << text(codesOf(job));
    ASSERT_TRUE(waitUntil([&] { return job->isPaused(); }));
    EXPECT_FALSE(waitUntil([&] { return job->status() != JobStatus::PausedPossiblyIncomplete; }, 1000))
        << text(codesOf(job));
    EXPECT_TRUE(job->isMissing());
    EXPECT_EQ(job->commentTextField(),
              QStringLiteral(
                  "(Paused) Paused due to possible incompleteness. Click resume to continue downloading."));
    // A tenth of the job's 81 articles is missed after nine; the
    // connections that were fetching at that moment add a few.
    qsizetype asked = 0;
    for (qsizetype i = 0; i < data().mids.size(); ++i)
        asked += server.bodyRequests(data().bracketedMid(i));
    EXPECT_GE(asked, 9);
    EXPECT_LE(asked, 20);
    EXPECT_TRUE(entriesOf(finalFolder).isEmpty());
}

// Whichever file of the set is written first, the same exact film comes
// out of the repair. The order is made on purpose: the last article of each
// file that must come later waits behind a gate of the server until the file
// that is to be first has been written. One of the five missing articles
// lies in the film's first 16 KiB, so that the film shares neither its
// first-16-KiB digest nor its MD5 with the set's record of it.

enum class FirstWritten { Index, Data, Volume };

struct RepairOrderCase
{
    const char* name;
    FirstWritten first;
    // With the volumes held back (the default), the job must fetch the ones
    // it needs after its first pass; otherwise they all come with it.
    bool holdVolumes;
};

void PrintTo(const RepairOrderCase& c, std::ostream* os)
{
    *os << c.name;
}

class RepairOrderEndToEnd : public FilmSetEndToEnd, public ::testing::WithParamInterface<RepairOrderCase>
{
protected:
    bool isWritten(const QueuePtr& job, const QString& name) const
    {
        for (const QueuePtr& part : job->fileparts())
            if (part->filename() == name) return part->status() == FilePartStatus::Finished;
        return false;
    }
};

TEST_P(RepairOrderEndToEnd, TheSetIsRepairedToTheExactFileWhateverFileIsWrittenFirst)
{
    const RepairOrderCase& c = GetParam();
    UserDefaults::standard().setBool(c.holdVolumes, QStringLiteral("enableSmartPar2Downloading"));
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    ASSERT_NO_FATAL_FAILURE(postFilm(server, {1, 31, 47, 63, 70}));
    const PostedFile* index = find(files, QStringLiteral("Film.par2"));
    const PostedFile* volume = find(files, QFileInfo(par2[1]).fileName());
    ASSERT_TRUE(index && volume);

    QString firstName;
    QList<const PostedFile*> later;
    switch (c.first) {
    case FirstWritten::Index:
        firstName = index->name;
        later = {&data()};
        break;
    case FirstWritten::Data:
        firstName = data().name;
        later = {index};
        break;
    case FirstWritten::Volume:
        firstName = volume->name;
        later = {index, &data()};
        break;
    }
    const auto gate = std::make_shared<NntpGate>();
    for (const PostedFile* f : later)
        server.addRule(NntpRule::on("BODY").withArgument(f->bracketedMid(f->mids.size() - 1)).heldBy(gate));

    const QueuePtr job = import(writeNzb(files, QStringLiteral("Film")));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntil([&] { return isWritten(job, firstName); }, 30000)) << text(codesOf(job));
    for (const PostedFile* f : later)
        EXPECT_FALSE(isWritten(job, f->name)) << f->name.toStdString();
    gate->open();

    ASSERT_TRUE(waitForEnd(job)) << text(codesOf(job));
    if (c.holdVolumes) {
        expectRepairedWithHeldVolumes(job, server);
    } else {
        const QList<qint64> codes = codesOf(job);
        EXPECT_TRUE(containsInOrder(codes, {105, 1, 17, 14, 3, 20})) << text(codes);
        EXPECT_FALSE(codes.contains(22)) << text(codes);
        expectRepairedFilm(job);
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, RepairOrderEndToEnd,
                         ::testing::Values(RepairOrderCase{"Par2IndexFirst", FirstWritten::Index, true},
                                           RepairOrderCase{"DataFirst", FirstWritten::Data, true},
                                           RepairOrderCase{"VolumeFirst", FirstWritten::Volume, false}),
                         [](const ::testing::TestParamInfo<RepairOrderCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
