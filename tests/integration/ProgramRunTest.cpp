// The program run whole: an NZB on the command line downloaded to the final
// folder, a queue carried across a quit or a kill, a repair whatever file
// lands first, the same road against a real news server.

#include "ProgramRun.h"

#include "platform/UserDefaults.h"
#include "queue/DBSaveRestore.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "support/Par2SetMaker.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <utility>
#include <ostream>

namespace {

TEST_F(ProgramRun, AnNzbOnTheCommandLineDownloadsToTheFinalFolderAndASignalQuits)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(2));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 31);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 120000, 40000, 32);
    serve(server, photos);
    serve(server, notes);
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes}));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes});
    for (const PostedFile* f : {&photos, &notes})
        for (qsizetype i = 0; i < f->mids.size(); ++i)
            EXPECT_EQ(server.bodyRequests(f->bracketedMid(i)), 1) << f->mids[i].toStdString();
    EXPECT_EQ(bodyCommands(), photos.mids.size() + notes.mids.size());

    ASSERT_NO_FATAL_FAILURE(quit());
    // The finished job was saved with the queue.
    EXPECT_TRUE(QFileInfo::exists(home.appSupportPath() + QStringLiteral("/db/savestate.db")));
}

// A server that drips every body a byte at a time never falls silent: the
// quit still closes its connections at once instead of waiting for the
// bodies to end.
TEST_F(ProgramRun, ASignalQuitsWithinSecondsWhileBodiesDripIn)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(2));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 80000, 40000, 45);
    serve(server, photos);
    ASSERT_TRUE(writeNzb(nzbPath, {photos}));
    server.addRule(NntpRule::on("BODY").drip(200));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitWhileRunning(
        [&] { return server.bodyRequests(photos.bracketedMid(0)) + server.bodyRequests(photos.bracketedMid(1)) >= 2; }));
    spinEventLoop(1500); // both bodies are arriving, slowly
    QElapsedTimer clock;
    clock.start();
    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_FALSE(finishedLogged());
}

TEST_F(ProgramRun, AJobUnfinishedAtQuitIsRestoredAtTheNextStartAndCompleted)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(2));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 41);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 120000, 40000, 42);
    serve(server, photos);
    serve(server, notes);
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes}));
    // The server holds one article back: the connection that asks for it
    // gets no answer, so the job cannot finish in this run.
    const QByteArray held = notes.bracketedMid(1);
    server.addRule(NntpRule::on("BODY").withArgument(held).goSilent());

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    // Everything else arrives over the other connection: photos.bin is
    // written whole in the job's download folder.
    const QString downloading = QDir(downloadFolder).filePath(QStringLiteral("Holiday Pictures"));
    ASSERT_TRUE(waitWhileRunning([&] {
        return server.bodyRequests(held) >= 1 &&
               fileBytes(QDir(downloading).filePath(photos.name)) == photos.data;
    }));
    EXPECT_FALSE(finishedLogged());
    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_FALSE(finishedLogged());
    EXPECT_TRUE(entries(finalFolder).isEmpty());

    // The save state holds the job and its two files: the one written with
    // its status and no articles, the other with all of its articles.
    ASSERT_TRUE(QFileInfo::exists(home.appSupportPath() + QStringLiteral("/db/savestate.db")));
    {
        DBSaveRestore store;
        QStringList jobTitles;
        QMap<QString, qint64> partStatus;
        QMap<QString, int> articlesOfPart;
        QString part;
        for (const QStringList& row : store.loadQueue()) {
            const int type = row[DBSaveRestore::ColType].toInt();
            if (type == DBSaveRestore::JobRow) jobTitles.append(row[DBSaveRestore::ColTitle]);
            if (type == DBSaveRestore::FilepartRow) {
                part = row[DBSaveRestore::ColTitle];
                partStatus[part] = row[DBSaveRestore::ColStatus].toLongLong();
            }
            if (type == DBSaveRestore::ArticleRow) ++articlesOfPart[part];
        }
        EXPECT_EQ(jobTitles, QStringList({QStringLiteral("Holiday Pictures")}));
        EXPECT_EQ(partStatus.keys(), QStringList({notes.name, photos.name}));
        EXPECT_EQ(partStatus.value(photos.name), 1010); // written
        EXPECT_NE(partStatus.value(notes.name), 1010);
        EXPECT_EQ(articlesOfPart.value(photos.name), 0);
        EXPECT_EQ(articlesOfPart.value(notes.name), notes.mids.size());
    }

    // The next start, without a file: the server answers everything now.
    server.clearRules();
    server.clearRecords();
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes});
    // The file written before the quit is not fetched again; the one cut
    // short starts over, the article that never came with it.
    for (qsizetype i = 0; i < photos.mids.size(); ++i)
        EXPECT_EQ(server.bodyRequests(photos.bracketedMid(i)), 0) << photos.mids[i].toStdString();
    for (qsizetype i = 0; i < notes.mids.size(); ++i)
        EXPECT_EQ(server.bodyRequests(notes.bracketedMid(i)), 1) << notes.mids[i].toStdString();
    EXPECT_EQ(bodyCommands(), notes.mids.size());
    ASSERT_NO_FATAL_FAILURE(quit());
}

TEST_F(ProgramRun, AKilledProgramBringsItsQueueBackWithoutFetchingWrittenFilesAgain)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(3));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 51);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 120000, 40000, 52);
    const PostedFile video = PostedFile::make(QStringLiteral("video.mkv"), 200000, 40000, 53);
    for (const PostedFile* f : {&photos, &notes, &video})
        serve(server, *f);
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes, video}));
    // Two connections wait for articles that do not come: two files cannot
    // finish in this run, while the third arrives whole.
    const QList<QByteArray> held = {notes.bracketedMid(1), video.bracketedMid(1)};
    for (const QByteArray& mid : held)
        server.addRule(NntpRule::on("BODY").withArgument(mid).goSilent());

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    // The program saves its queue by itself while it runs: wait until the
    // save state holds the file written, as a power cut could come now.
    ASSERT_TRUE(waitWhileRunning(
        [&] {
            const QMap<QString, qint64> status = storedPartStatus();
            return server.bodyRequests(held[0]) >= 1 && server.bodyRequests(held[1]) >= 1 &&
                   status.value(photos.name) == FilePartStatus::Finished;
        },
        120000))
        << "stored: " << QStringList(storedPartStatus().keys()).join(u' ').toStdString();
    EXPECT_NE(storedPartStatus().value(notes.name), FilePartStatus::Finished);
    EXPECT_NE(storedPartStatus().value(video.name), FilePartStatus::Finished);

    ASSERT_NO_FATAL_FAILURE(killNow());
    EXPECT_FALSE(finishedLogged());
    EXPECT_TRUE(entries(finalFolder).isEmpty());

    server.clearRules();
    server.clearRecords();
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes, video});
    // The file written before the kill is not fetched again; the two cut
    // short start over.
    for (qsizetype i = 0; i < photos.mids.size(); ++i)
        EXPECT_EQ(server.bodyRequests(photos.bracketedMid(i)), 0) << photos.mids[i].toStdString();
    for (const PostedFile* f : {&notes, &video})
        for (qsizetype i = 0; i < f->mids.size(); ++i)
            EXPECT_EQ(server.bodyRequests(f->bracketedMid(i)), 1) << f->mids[i].toStdString();
    EXPECT_EQ(bodyCommands(), notes.mids.size() + video.mids.size());
    ASSERT_NO_FATAL_FAILURE(quit());
}

// Two jobs of two files each, served with one article of each held back so
// that neither finishes in the run that takes them: "Holiday Pictures" from
// nzbPath and "Garden" from an NZB file beside it.
class ProgramTwoStarts : public ProgramRun
{
protected:
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 81);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 90000, 40000, 83);
    const PostedFile garden = PostedFile::make(QStringLiteral("garden.jpg"), 160000, 40000, 82);
    const PostedFile plan = PostedFile::make(QStringLiteral("plan.pdf"), 70000, 40000, 84);
    const QByteArray holidayHeld = photos.bracketedMid(1);
    const QByteArray gardenHeld = garden.bracketedMid(1);
    QString gardenNzb;
    QString secondOutput;
    std::unique_ptr<QProcess> second;

    void SetUp() override
    {
        ProgramRun::SetUp();
        ASSERT_NO_FATAL_FAILURE(storeServer(2));
        for (const PostedFile* f : {&photos, &notes, &garden, &plan})
            serve(server, *f);
        ASSERT_TRUE(writeNzb(nzbPath, {photos, notes}));
        gardenNzb = QFileInfo(nzbPath).dir().filePath(QStringLiteral("Garden.nzb"));
        ASSERT_TRUE(writeNzb(gardenNzb, {garden, plan}));
        for (const QByteArray& mid : {holidayHeld, gardenHeld})
            server.addRule(NntpRule::on("BODY").withArgument(mid).goSilent());
        secondOutput = home.path() + QStringLiteral("/second.out");
    }

    // The program on the first NZB file, and a tenth of a second later a
    // second start on the other.
    void startTwice()
    {
        ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
        QThread::msleep(100);
        second = launch({gardenNzb}, secondOutput);
        ASSERT_TRUE(second);
    }

    // The log is the one program's own: started once, never emptied or
    // written over by the other start.
    void expectOneProgramsLog()
    {
        EXPECT_FALSE(fileBytes(home.logFilePath()).contains('\0'));
        EXPECT_EQ(log.linesContaining(QStringLiteral("Starting Binorama v")).size(), 1);
    }
};

// Two starts on one home a tenth of a second apart, as opening two NZB files
// from a file manager gives them. The later start hands its file to the one
// running over the session bus and ends without touching the stores or the
// log; the one running takes both jobs, which come back after a quit and
// finish after the next start. (Which of the two takes the home first is up
// to the machine; the test follows either.)
TEST_F(ProgramTwoStarts, TheSecondHandsItsNzbToTheRunningProgramAndEnds)
{
    ASSERT_NO_FATAL_FAILURE(startTwice());
    waitUntil([&] { return program->state() == QProcess::NotRunning || second->state() == QProcess::NotRunning; },
              30000);
    if (program->state() == QProcess::NotRunning) std::swap(program, second);
    ASSERT_EQ(second->state(), QProcess::NotRunning)
        << "both starts still run; output of the second:\n" << fileBytes(secondOutput).toStdString();
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);

    ASSERT_TRUE(waitWhileRunning(
        [&] { return server.bodyRequests(holidayHeld) >= 1 && server.bodyRequests(gardenHeld) >= 1; }));
    expectOneProgramsLog();
    ASSERT_NO_FATAL_FAILURE(quit());

    server.clearRules();
    server.clearRecords();
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitWhileRunning([&] {
        return finishedLogged() && !log.linesWithMessage(QStringLiteral("Queue Finished Garden")).isEmpty();
    }));
    const QList<std::pair<QString, const PostedFile*>> landed = {{QStringLiteral("Holiday Pictures"), &photos},
                                                                  {QStringLiteral("Holiday Pictures"), &notes},
                                                                  {QStringLiteral("Garden"), &garden},
                                                                  {QStringLiteral("Garden"), &plan}};
    for (const auto& [job, file] : landed) {
        const QByteArray written = fileBytes(QDir(finalFolder).filePath(job + QLatin1Char('/') + file->name));
        EXPECT_EQ(written.size(), file->data.size()) << file->name.toStdString();
        EXPECT_TRUE(written == file->data) << file->name.toStdString();
    }
    ASSERT_NO_FATAL_FAILURE(quit());
}

// Where no session bus runs, the lock alone keeps a second start away: it
// says that the program runs already and leaves the stores, the log and its
// NZB file alone; a termination signal ends it while it says so.
TEST_F(ProgramTwoStarts, WithoutASessionBusTheSecondSaysTheProgramRunsAndTakesNothing)
{
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + home.path() + QStringLiteral("/no-bus-here"));
    ASSERT_NO_FATAL_FAILURE(startTwice());
    const QByteArray said = "Binorama is already running";
    // The line is written in pieces: its end tells that all of it is there.
    const QByteArray end = "This one closes now.";
    waitUntil([&] { return fileBytes(outputPath(1)).contains(end) || fileBytes(secondOutput).contains(end); },
              30000);
    const bool swapped = fileBytes(outputPath(1)).contains(end);
    if (swapped) std::swap(program, second);
    const QByteArray refusal = fileBytes(swapped ? outputPath(1) : secondOutput);
    ASSERT_TRUE(refusal.contains(said)) << refusal.toStdString();
    EXPECT_TRUE(refusal.contains(home.appSupportPath().toUtf8())) << refusal.toStdString();
    EXPECT_TRUE(refusal.contains("no session bus")) << refusal.toStdString();

    // The one running goes on with its own job and never sees the other's.
    const QByteArray ownHeld = swapped ? gardenHeld : holidayHeld;
    const QByteArray otherHeld = swapped ? holidayHeld : gardenHeld;
    ASSERT_TRUE(waitWhileRunning([&] { return server.bodyRequests(ownHeld) >= 1; }));
    spinEventLoop(500);
    EXPECT_EQ(server.bodyRequests(otherHeld), 0);
    expectOneProgramsLog();

    ::kill(pid_t(second->processId()), SIGTERM);
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
    ASSERT_NO_FATAL_FAILURE(quit());
    expectOneProgramsLog();
}

// A file protected by a PAR2 set of 20 recovery blocks (an index and five
// volumes), five of its 80 articles gone from the server, one of them in its
// first 16 KiB; the missing-article share at its default. Whichever file of
// the job is written first, the program fetches what it needs and lands the
// exact file. The order is made on purpose: the last article of each file
// that must come later waits behind a gate of the server until the file
// that is to be first lies in the job's download folder.
struct FirstToLand
{
    const char* name;
    int first;        // index into the PAR2 files then the film: 0 index, 1 first volume, 6 film
    QList<int> held;  // the same indices
    bool holdVolumes; // the default: volumes are fetched only when needed
};

void PrintTo(const FirstToLand& c, std::ostream* os)
{
    *os << c.name;
}

class ProgramRepair : public ProgramRun, public ::testing::WithParamInterface<FirstToLand>
{
};

TEST_P(ProgramRepair, AProtectedFileWithArticlesMissingLandsExactWhicheverFileIsWrittenFirst)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    const FirstToLand& c = GetParam();
    UserDefaults::standard().setBool(c.holdVolumes, QStringLiteral("enableSmartPar2Downloading"));
    UserDefaults::standard().synchronize();
    ASSERT_NO_FATAL_FAILURE(storeServer(3));

    const QString staging = home.makeFolder(QStringLiteral("staging"));
    const PostedFile film = PostedFile::make(QStringLiteral("Film.mkv"), 200000, 2500, 61);
    ASSERT_EQ(film.mids.size(), 80);
    {
        QFile f(QDir(staging).filePath(film.name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(film.data) == film.data.size());
    }
    QString out;
    const QStringList par2 =
        Par2SetMaker::create(staging, QStringLiteral("Film"), {film.name}, 4096, 20, &out);
    ASSERT_EQ(par2.size(), 6) << out.toStdString();
    QList<PostedFile> files;
    for (const QString& path : par2)
        files.append(PostedFile::fromData(QFileInfo(path).fileName(), fileBytes(path), 2500));
    files.append(film);
    for (const PostedFile& f : files)
        serve(server, f);
    for (qsizetype i : {1, 31, 47, 63, 70})
        server.addRule(NntpRule::on("BODY").withArgument(film.bracketedMid(i)).reply(430, "No such article"));
    const auto gate = std::make_shared<NntpGate>();
    for (int i : c.held) {
        const PostedFile& f = files[i];
        server.addRule(NntpRule::on("BODY").withArgument(f.bracketedMid(f.mids.size() - 1)).heldBy(gate));
    }
    ASSERT_TRUE(writeNzb(nzbPath, files));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    const QString downloading = QDir(downloadFolder).filePath(QStringLiteral("Holiday Pictures"));
    ASSERT_TRUE(
        waitWhileRunning([&] { return QFileInfo::exists(QDir(downloading).filePath(files[c.first].name)); }));
    for (int i : c.held)
        EXPECT_FALSE(QFileInfo::exists(QDir(downloading).filePath(files[i].name)))
            << files[i].name.toStdString();
    gate->open();

    ASSERT_TRUE(waitUntilFinished());
    const QByteArray landed =
        fileBytes(QDir(finalFolder).filePath(QStringLiteral("Holiday Pictures/Film.mkv")));
    EXPECT_EQ(landed.size(), film.data.size());
    EXPECT_TRUE(landed == film.data);
    EXPECT_TRUE(log.linesContaining(QStringLiteral("Not enough repair blocks")).isEmpty());
    if (c.holdVolumes) {
        // Some of the held volumes, not all.
        int fetched = 0;
        for (int i = 1; i <= 5; ++i)
            if (server.bodyRequests(files[i].bracketedMid(0)) > 0) ++fetched;
        EXPECT_GE(fetched, 1);
        EXPECT_LT(fetched, 5);
    }
    ASSERT_NO_FATAL_FAILURE(quit());
}

INSTANTIATE_TEST_SUITE_P(Orders, ProgramRepair,
                         ::testing::Values(FirstToLand{"Par2IndexFirst", 0, {6}, true},
                                           FirstToLand{"DataFirst", 6, {0}, true},
                                           FirstToLand{"VolumeFirst", 1, {0, 6}, false}),
                         [](const ::testing::TestParamInfo<FirstToLand>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ProgramRunOnInn, AnNzbOnTheCommandLineDownloadsFromTheServerToTheFinalFolderAndASignalQuits)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(inn.port(), 3));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 2500000, 400000, 51);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 1, 400000, 52);
    for (const PostedFile* f : {&photos, &notes}) {
        QString error;
        ASSERT_TRUE(postTo(inn.port(), InnServer::group(), *f, &error)) << error.toStdString();
    }
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes}));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes});
    ASSERT_NO_FATAL_FAILURE(quit());
}

// A returning user: the film and its PAR2 set downloaded whole from their
// NZB, the program quit; at the next start another NZB of the same post, with
// three articles of the film gone from the server. The second job repairs
// its own copy from the recovery blocks it fetches and lands the exact film
// in its own folder; the first job's folder stays as that job left it.
TEST_F(ProgramRunOnInn, ASecondDamagedCopyOfAnEarlierDownloadIsRepairedInItsOwnFolder)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    // Finished downloads stay in the download folder.
    UserDefaults::standard().setBool(false, QStringLiteral("moveAfterDownload"));
    UserDefaults::standard().synchronize();
    ASSERT_NO_FATAL_FAILURE(storeServer(inn.port(), 3));
    QString output;
    const QList<PostedFile> files =
        makeFileWithPar2Set(home.makeFolder(QStringLiteral("staging")), QStringLiteral("Film.mkv"), 2000000,
                            71, 100000, 4, 100000, &output);
    ASSERT_GE(files.size(), 3) << output.toStdString();
    for (const PostedFile& f : files) {
        QString error;
        ASSERT_TRUE(postTo(inn.port(), InnServer::group(), f, &error)) << error.toStdString();
    }
    ASSERT_TRUE(writeNzb(nzbPath, files));
    const QString damagedNzb =
        QDir(QFileInfo(nzbPath).absolutePath()).filePath(QStringLiteral("Film again.nzb"));
    ASSERT_TRUE(writeNzb(damagedNzb, files, losingArticles(0, {2, 9, 15})));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitUntilFinished());
    ASSERT_NO_FATAL_FAILURE(quit());
    const QString firstFolder = QDir(downloadFolder).filePath(QStringLiteral("Holiday Pictures"));
    ASSERT_EQ(fileBytes(QDir(firstFolder).filePath(QStringLiteral("Film.mkv"))), files[0].data);
    QMap<QString, QByteArray> left;
    for (const QString& name : entries(firstFolder))
        left.insert(name, fileBytes(QDir(firstFolder).filePath(name)));

    ASSERT_NO_FATAL_FAILURE(start({damagedNzb}));
    ASSERT_TRUE(waitWhileRunning(
        [&] { return !log.linesWithMessage(QStringLiteral("Queue Finished Film again")).isEmpty(); }));
    const QString secondFolder = QDir(downloadFolder).filePath(QStringLiteral("Film again"));
    const QByteArray landed = fileBytes(QDir(secondFolder).filePath(QStringLiteral("Film.mkv")));
    EXPECT_EQ(landed.size(), files[0].data.size());
    EXPECT_TRUE(landed == files[0].data);
    // Repaired from blocks fetched for it, not passed as finished.
    EXPECT_FALSE(log.linesContaining(QStringLiteral(" more repair blocks for ")).isEmpty());
    QMap<QString, QByteArray> now;
    for (const QString& name : entries(firstFolder))
        now.insert(name, fileBytes(QDir(firstFolder).filePath(name)));
    EXPECT_EQ(now.keys(), left.keys());
    EXPECT_TRUE(now == left) << "the first job's folder changed";
    ASSERT_NO_FATAL_FAILURE(quit());
}

} // namespace
