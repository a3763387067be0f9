#include "NZBImportHarness.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/DBSaveRestore.h"
#include "queue/QCodeClass.h"
#include "queue/SaveRestoreController.h"

#include "queue/StatusCodes.h"
#include "support/LogFileReader.h"
#include "support/MainThreadStallMeter.h"
#include "support/ProcessMemory.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSemaphore>
#include <QSet>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

struct Import : ::testing::Test, NZBImportHarness
{
    LogFileReader log{home.logFilePath()};
};

TEST_F(Import, BuildsAJobOfFilePartsAndArticles)
{
    NzbFixture nzb;
    nzb.addFile("Show.S01E01.part1.rar", 3, 1000).addFile("Show.S01E01.part2.rar", 2, 500);
    nzb.lastFile().groups = {" alt.binaries.second "};
    const QString path = write("Show.S01E01.nzb", nzb);

    const QueuePtr root = import(path);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status(), JobStatus::NZBParsed);
    EXPECT_EQ(root->title(), "Show.S01E01");
    EXPECT_TRUE(root->isNZB());
    EXPECT_FALSE(root->qid().isEmpty());
    EXPECT_EQ(root->groups(), "alt.binaries.test"); // the first group of the document
    EXPECT_EQ(root->poster(), "poster@example.invalid (Poster)");
    EXPECT_EQ(root->bytes(), 4000.0);
    EXPECT_EQ(root->totalfiles(), 2);
    EXPECT_EQ(root->delegate(), &queueController);
    EXPECT_EQ(filenamesOf(root), (QStringList{"Show.S01E01.part1.rar", "Show.S01E01.part2.rar"}));

    QSet<QString> fids;
    qint64 lastQidnr = root->qidnr();
    for (const QueuePtr& part : root->fileparts()) {
        EXPECT_TRUE(part->isFilepart());
        EXPECT_EQ(part->queue(), root);
        EXPECT_EQ(part->delegate(), &queueController);
        EXPECT_EQ(part->checkbox(), 1);
        EXPECT_EQ(part->totalSegments(), part->segmentCount());
        EXPECT_EQ(part->totalSegmentsLeftToDownload(), part->segmentCount());
        EXPECT_EQ(part->totalBytesLeft(), part->bytes());
        EXPECT_EQ(part->status(), JobStatus::Idle);
        fids.insert(part->fid());
        // Strictly increasing, however fast the parts are made.
        EXPECT_GT(part->qidnr(), lastQidnr);
        lastQidnr = part->qidnr();
        for (const SegmentPtr& segment : part->segments()) {
            EXPECT_EQ(segment->queue(), root);
            EXPECT_EQ(segment->filepart(), part);
            EXPECT_EQ(segment->status(), ArticleStatus::Queued);
            EXPECT_TRUE(segment->mid().startsWith('<') && segment->mid().endsWith('>'));
        }
    }
    EXPECT_EQ(fids.size(), 2);
    EXPECT_EQ(root->fileparts()[0]->segments()[0]->mid(), "<" + nzb.files()[0].articles[0].mid + ">");
    EXPECT_TRUE(exists(path)); // "enableDeleteNZB" is off by default
}

TEST_F(Import, ArticlesAreOrderedByNumberAndKeptOnce)
{
    NzbFixture::File file;
    file.subject = NzbFixture::subjectFor("a.bin");
    file.articles = {{300, 3, "c@x"},
                     {100, 1, "a@x"},
                     {200, 2, "b@x"},
                     // the same number again, and the same message-id again
                     {999, 2, "b2@x"},
                     {888, 7, " a@x\n"}};
    NzbFixture nzb;
    nzb.addFile(file);
    const QueuePtr root = import(write("order.nzb", nzb));
    ASSERT_TRUE(root);
    const QueuePtr part = root->fileparts().value(0);
    ASSERT_TRUE(part);
    QStringList mids;
    QList<qint64> numbers;
    for (const SegmentPtr& s : part->segments()) {
        mids.append(s->mid());
        numbers.append(s->segnr());
    }
    EXPECT_EQ(mids, (QStringList{"<a@x>", "<b@x>", "<c@x>"}));
    EXPECT_EQ(numbers, (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(part->bytes(), 600.0);
    EXPECT_EQ(part->totalSegments(), 3);
    EXPECT_EQ(root->bytes(), 600.0);
}

TEST_F(Import, SegmentSizesBeyondReasonAreCappedAndSumsStaySane)
{
    // Sizes near 2^64 once added up to a job of 18446744073709551616 bytes.
    const QByteArray xml = "<?xml version=\"1.0\"?>\n"
                           "<nzb><file poster=\"p\" subject=\"&quot;big.bin&quot; (1/3)\"><groups>"
                           "<group>alt.binaries.x</group></groups><segments>"
                           "<segment bytes=\"18446744073709551615\" number=\"1\">a@x</segment>"
                           "<segment bytes=\"9223372036854775807\" number=\"2\">b@x</segment>"
                           "<segment bytes=\"-5\" number=\"3\">c@x</segment>"
                           "<segment bytes=\"700000\" number=\"4\">d@x</segment>"
                           "</segments></file></nzb>";
    const QueuePtr root = import(writeBytes("huge.nzb", xml));
    ASSERT_TRUE(root);
    const QueuePtr part = root->fileparts().value(0);
    ASSERT_TRUE(part);
    ASSERT_EQ(part->segmentCount(), 4);
    const double cap = Segment::kMaxClaimedBytes;
    const QList<double> want = {cap, cap, 0.0, 700000.0};
    for (qsizetype i = 0; i < want.size(); ++i)
        EXPECT_EQ(part->segments()[i]->bytes(), want[i]) << i;
    EXPECT_EQ(part->bytes(), 2 * cap + 700000);
    EXPECT_EQ(root->bytes(), 2 * cap + 700000);
    EXPECT_LT(root->bytes(), 1e15);

    // Sums saturate, whatever is added.
    root->addToBytes(Queue::kMaxTotalBytes);
    root->addToBytes(Queue::kMaxTotalBytes);
    EXPECT_EQ(root->bytes(), Queue::kMaxTotalBytes);
    root->increaseTotalBytesLeft(Queue::kMaxTotalBytes * 4);
    EXPECT_EQ(root->totalBytesLeft(), Queue::kMaxTotalBytes);
    EXPECT_EQ(qint64(root->bytes()), qint64(1) << 53);
}

TEST_F(Import, ElementNamesInCapitalsAndASegmentWithoutNumber)
{
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n"
                           "<NZB><FILE POSTER=\"p\" SUBJECT=\"&quot;caf\xE9.bin&quot; (1/1)\"><GROUPS>"
                           "<GROUP>\n  alt.binaries.caps\n</GROUP></GROUPS><SEGMENTS>"
                           "<SEGMENT BYTES=\"12x\">\n  id1@x  \n</SEGMENT></SEGMENTS></FILE></NZB>";
    const QueuePtr root = import(writeBytes("caps.nzb", xml));
    ASSERT_TRUE(root);
    ASSERT_EQ(root->status(), JobStatus::NZBParsed);
    EXPECT_EQ(root->groups(), "alt.binaries.caps");
    ASSERT_EQ(root->fileparts().size(), 1);
    const QueuePtr part = root->fileparts()[0];
    EXPECT_EQ(part->filename(), QString::fromUtf8("caf\xC3\xA9.bin")); // the declared encoding is honoured
    ASSERT_EQ(part->segmentCount(), 1);
    EXPECT_EQ(part->segments()[0]->segnr(), 0);
    EXPECT_EQ(part->segments()[0]->bytes(), 12.0);
    EXPECT_EQ(part->segments()[0]->mid(), "<id1@x>");
}

TEST_F(Import, NamesFromSubjectsNeverLeaveTheJobFolder)
{
    NzbFixture::File file;
    file.subject = "x \"../../../etc/cron.d/job\" yEnc (1/1)";
    file.articles = {{10, 1, "m@x"}};
    NzbFixture::File noSubject;
    noSubject.articles = {{10, 1, "n@x"}};
    NzbFixture nzb;
    nzb.addFile(file).addFile(noSubject);
    const QueuePtr root = import(write("names.nzb", nzb));
    ASSERT_TRUE(root);
    const QStringList names = filenamesOf(root);
    EXPECT_TRUE(names.contains("no_filename_found"));
    for (const QString& name : names)
        EXPECT_FALSE(name.contains('/')) << name.toStdString();
}

TEST_F(Import, SplitsOneJobPerMainRepairSet)
{
    NzbFixture nzb;
    nzb.addFile("Show.par2")
        .addFile("Show.part1.rar")
        .addFile("Other.par2")
        .addFile("Show.vol00+01.par2")
        .addFile("Other.part1.rar")
        .addFile("Extra.nfo");
    const QString path = write("Two.Sets.nzb", nzb);
    nzbController.parseFileUrl(path, false);
    ASSERT_TRUE(finishImports());

    const QList<QueuePtr> queued = queueController.queueArray();
    ASSERT_EQ(queued.size(), 2);
    QueuePtr show, other;
    for (const QueuePtr& q : queued)
        (q->title() == "Show" ? show : other) = q;
    ASSERT_TRUE(show && other);
    EXPECT_EQ(other->title(), "Other");
    EXPECT_EQ(other->nzbFile(), path); // the job the file was opened with
    // Smart PAR2 leaves the volume unselected, but it is part of its set.
    EXPECT_EQ(filenamesOf(show), (QStringList{"Show.par2", "Show.part1.rar", "Show.vol00+01.par2"}));
    EXPECT_EQ(filenamesOf(other), (QStringList{"Other.par2", "Extra.nfo", "Other.part1.rar"}));
    for (const QueuePtr& root : queued) {
        EXPECT_EQ(root->status(), JobStatus::NZBParsed);
        EXPECT_TRUE(root->isNZB());
        EXPECT_TRUE(root->hasRepairFiles());
        EXPECT_EQ(root->delegate(), &queueController);
        EXPECT_EQ(root->groups(), "alt.binaries.test");
        EXPECT_FALSE(root->qid().isEmpty());
        for (const QueuePtr& part : root->fileparts()) {
            EXPECT_EQ(part->queue(), root);
            for (const SegmentPtr& s : part->segments())
                EXPECT_EQ(s->queue(), root);
        }
    }
    EXPECT_NE(show->qid(), other->qid());
    EXPECT_EQ(show->bytes(), 4000.0); // two selected files of 2 x 1000
}

TEST_F(Import, ASetWhoseNameExtendsAnotherKeepsItsOwnFiles)
{
    NzbFixture nzb;
    nzb.addFile("Show.par2")
        .addFile("Show.Extras.par2")
        .addFile("Show.part1.rar")
        .addFile("Show.Extras.part1.rar")
        .addFile("Showtime.nfo");
    nzbController.parseFileUrl(write("prefix.nzb", nzb), false);
    ASSERT_TRUE(finishImports());
    const QList<QueuePtr> queued = queueController.queueArray();
    ASSERT_EQ(queued.size(), 2);
    QueuePtr show, extras;
    for (const QueuePtr& q : queued)
        (q->title() == "Show" ? show : extras) = q;
    ASSERT_TRUE(show && extras);
    EXPECT_EQ(extras->title(), "Show.Extras");
    EXPECT_EQ(filenamesOf(show), (QStringList{"Show.par2", "Show.part1.rar"}));
    // "Showtime" is no file of "Show": it stays with the job opened.
    EXPECT_EQ(filenamesOf(extras),
              (QStringList{"Show.Extras.par2", "Show.Extras.part1.rar", "Showtime.nfo"}));
}

TEST_F(Import, ASplitJobRefusedAsDuplicateIsReported)
{
    const QueuePtr queuedShow = Queue::create();
    queuedShow->setIsNZB(true);
    queuedShow->setTitle("Show");
    ASSERT_TRUE(queueController.addNZBRootObjectToQueue(queuedShow));

    QObject observer;
    QList<QVariantMap> reports;
    NotificationHub::defaultCenter().addObserver("NZBImportRefusedDuplicate", &observer,
                                                 [&](const Notification& n) { reports.append(n.userInfo); });
    NzbFixture nzb;
    nzb.addFile("Show.par2").addFile("Show.part1.rar").addFile("Other.par2").addFile("Other.part1.rar");
    const QString path = write("dup.nzb", nzb);
    nzbController.parseFileUrl(path, false);
    ASSERT_TRUE(finishImports());

    const QList<QueuePtr> queued = queueController.queueArray();
    ASSERT_EQ(queued.size(), 2);
    EXPECT_EQ(queued.count(queuedShow), 1);
    const QueuePtr other = rootFor(path);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->title(), "Other");
    EXPECT_EQ(other->status(), JobStatus::NZBParsed);
    EXPECT_EQ(filenamesOf(other), (QStringList{"Other.par2", "Other.part1.rar"}));

    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value("title").toString(), "Show");
    EXPECT_EQ(reports[0].value("nzbFile").toString(), path);
    const QueuePtr refused = reports[0].value("queueobject").value<QueuePtr>();
    ASSERT_TRUE(refused);
    EXPECT_NE(refused, queuedShow);
    EXPECT_EQ(filenamesOf(refused), (QStringList{"Show.par2", "Show.part1.rar"}));
    EXPECT_EQ(refused->status(), JobStatus::Idle); // never prepared for a queue it is not in
    EXPECT_EQ(log.linesContaining("Not added, a job of this title is already in the queue :: Show").size(),
              1);
}

TEST_F(Import, ADuplicateTitleIsRefusedAndItsFileKept)
{
    NzbFixture nzb;
    nzb.addFile("a.bin");
    const QString first = write("Same.nzb", nzb);
    home.makeFolder("other");
    const QString second = home.path() + "/other/Same.nzb";
    nzb.write(second);
    UserDefaults::standard().setBool(true, "enableDeleteNZB");

    ASSERT_TRUE(import(first));
    nzbController.parseFileUrl(second, true); // forced, as the watch folder asks
    ASSERT_TRUE(finishImports());
    EXPECT_EQ(queueController.queueArray().size(), 1);
    EXPECT_FALSE(rootFor(second));
    EXPECT_TRUE(exists(second));
    EXPECT_FALSE(exists(first));
    EXPECT_EQ(log.linesContaining("Not added, a job of this title is already in the queue :: Same").size(),
              1);
}

TEST_F(Import, SortsThePartsAndLeavesSamplesAndVolumesUnselected)
{
    NzbFixture nzb;
    nzb.addFile("movie.part2.rar", 2, 100)
        .addFile("movie.sample.mkv", 1, 50)
        .addFile("movie.vol01+02.par2", 1, 30)
        .addFile("movie.par2", 1, 10)
        .addFile("movie.part1.rar", 2, 100)
        .addFile("movie.vol00+01.par2", 1, 20);
    const QueuePtr root = import(write("movie.nzb", nzb));
    ASSERT_TRUE(root);
    EXPECT_EQ(filenamesOf(root),
              (QStringList{"movie.par2", "movie.part1.rar", "movie.part2.rar", "movie.sample.mkv",
                           "movie.vol00+01.par2", "movie.vol01+02.par2"}));
    QList<qint64> checkboxes;
    for (const QueuePtr& p : root->fileparts())
        checkboxes.append(p->checkbox());
    EXPECT_EQ(checkboxes, (QList<qint64>{1, 1, 1, 0, 0, 0}));
    const QueuePtr sample = root->fileparts()[3];
    EXPECT_EQ(sample->totalSegmentsLeftToDownload(), 0);
    EXPECT_EQ(sample->totalBytesLeft(), 0.0);
    EXPECT_EQ(root->fileparts()[4]->repairblocks(), 1);
    EXPECT_EQ(root->bytes(), 410.0);
    EXPECT_EQ(root->totalfiles(), 6);
}

TEST_F(Import, WithBothRulesOffEverythingIsSelected)
{
    UserDefaults::standard().setBool(false, "ignoreSampleFiles");
    UserDefaults::standard().setBool(false, "enableSmartPar2Downloading");
    NzbFixture nzb;
    nzb.addFile("m.sample.mkv").addFile("m.vol00+01.par2").addFile("m.mkv");
    const QueuePtr root = import(write("m.nzb", nzb));
    ASSERT_TRUE(root);
    for (const QueuePtr& p : root->fileparts())
        EXPECT_EQ(p->checkbox(), 1) << p->filename().toStdString();
}

TEST_F(Import, SamplesStaySelectedInAJobOfSamplesAndRepairFiles)
{
    NzbFixture nzb;
    nzb.addFile("clip.sample.mkv").addFile("clip.par2").addFile("clip.vol00+01.par2");
    const QueuePtr root = import(write("clip.nzb", nzb));
    ASSERT_TRUE(root);
    ASSERT_EQ(root->fileparts().size(), 3);
    EXPECT_EQ(root->fileparts()[1]->filename(), "clip.sample.mkv");
    EXPECT_EQ(root->fileparts()[1]->checkbox(), 1);
}

TEST_F(Import, VolumesStaySelectedInAJobOfRepairFilesOnly)
{
    NzbFixture nzb;
    nzb.addFile("set.par2").addFile("set.vol00+01.par2").addFile("set.vol01+02.par2");
    const QueuePtr root = import(write("pars.nzb", nzb));
    ASSERT_TRUE(root);
    for (const QueuePtr& p : root->fileparts())
        EXPECT_EQ(p->checkbox(), 1) << p->filename().toStdString();
}

TEST_F(Import, DetectsAnEmbeddedNZB)
{
    NzbFixture nzb;
    nzb.addFile("inner.nzb").addFile("second.nzb");
    const QueuePtr root = import(write("Wrapper.nzb", nzb));
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->hasEmbeddedNZB());
    EXPECT_EQ(log.linesContaining("Detected embedded NZB file in :: Wrapper").size(), 1);

    NzbFixture mixed;
    mixed.addFile("inner.nzb").addFile("INNER2.NZB");
    const QueuePtr other = import(write("Mixed.nzb", mixed));
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->hasEmbeddedNZB());
}

TEST_F(Import, AnEmbeddedNZBRefillsTheQueuedJob)
{
    NzbFixture outer;
    outer.addFile("inner.nzb", 1, 5);
    const QueuePtr root = import(write("Outer.nzb", outer));
    ASSERT_TRUE(root && root->hasEmbeddedNZB());

    NzbFixture inner;
    inner.addFile("payload.mkv", 4, 250);
    const QString innerPath = write("inner.nzb", inner);
    UserDefaults::standard().setBool(true, "enableDeleteNZB");
    nzbController.parseEmbeddedNZBFileUrl(innerPath, root);
    ASSERT_TRUE(finishImports());
    EXPECT_EQ(queueController.queueArray().size(), 1);
    EXPECT_EQ(root->status(), JobStatus::NZBParsed);
    EXPECT_FALSE(root->hasEmbeddedNZB());
    EXPECT_EQ(root->nzbFile(), innerPath);
    EXPECT_EQ(filenamesOf(root), QStringList{"payload.mkv"});
    EXPECT_EQ(root->bytes(), 1000.0);
    EXPECT_FALSE(exists(innerPath)); // not forced: the setting decides
}

TEST_F(Import, ParseArrayImportsEachFileInOrder)
{
    QStringList paths;
    for (const char* name : {"one.nzb", "two.nzb", "three.nzb"}) {
        NzbFixture nzb;
        nzb.addFile(QString::fromLatin1(name) + ".bin");
        paths.append(write(name, nzb));
    }
    nzbController.parseArray(paths);
    ASSERT_TRUE(finishImports());
    QStringList titles;
    for (const QueuePtr& q : queueController.queueArray()) {
        titles.append(q->title());
        EXPECT_EQ(q->status(), JobStatus::NZBParsed);
    }
    EXPECT_EQ(titles, (QStringList{"one", "two", "three"}));
}

TEST_F(Import, ACancelledJobStopsAtTheNextFileWithoutStatus)
{
    NzbFixture nzb;
    nzb.addFile("a.bin").addFile("b.bin");
    const QString path = write("Cancel.Me.nzb", nzb);
    QSemaphore gate;
    nzbController.nzbImportQueue().addOperation([&gate] { gate.acquire(); });
    nzbController.parseFileUrl(path, true);
    const QueuePtr root = rootFor(path);
    ASSERT_TRUE(root);
    root->setIsCancelled(true);
    gate.release();
    ASSERT_TRUE(finishImports());
    EXPECT_EQ(root->status(), JobStatus::ParsingNZB);
    EXPECT_TRUE(root->fileparts().isEmpty());
    EXPECT_EQ(log.linesContaining("Stop due cancellation :: Cancel.Me").size(), 1);
    EXPECT_FALSE(exists(path));
    EXPECT_TRUE(exists(trashed("Cancel.Me.nzb"))); // forced: to the Trash
}

TEST(ImportShutdown, DestroyingTheImportWhileASplitWaitsForTheMainThreadDoesNotHang)
{
    TempHome home;
    ImportOnlyQueueController queueController;
    QueuePtr root;
    {
        NZBController nzbController;
        nzbController.setQueueController(&queueController);
        NzbFixture nzb;
        nzb.addFile("Show.par2").addFile("Show.part1.rar").addFile("Other.par2").addFile("Other.part1.rar");
        const QString path = home.makeFolder("nzbs") + "/split.nzb";
        nzb.write(path);
        nzbController.parseFileUrl(path, false);
        root = queueController.queueArray().value(0);
        // Gives the parser time to reach its hand-over, then leaves the
        // scope without running the event loop: the hand-over is never
        // served.
        QThread::msleep(300);
    }
    ASSERT_TRUE(root);
    QCoreApplication::sendPostedEvents();
    spinEventLoop(20);
    // Only the job already queued remains; nothing was added after the end.
    EXPECT_EQ(queueController.queueArray(), QList<QueuePtr>{root});
    EXPECT_EQ(root->status(), JobStatus::NZBParsed);
    EXPECT_EQ(filenamesOf(root), (QStringList{"Other.par2", "Other.part1.rar"}));
}

// ---- Hostile documents

struct HostileCase
{
    const char* name;
    QByteArray (*make)();
};

QByteArray validDocument()
{
    NzbFixture nzb;
    nzb.addFile("one.rar").addFile("two.rar");
    return nzb.toXml();
}

const HostileCase kHostile[] = {
    {"Truncated",
     [] {
         QByteArray x = validDocument();
         return x.left(x.indexOf("</file>") + 40);
     }},
    {"TrailingJunk", [] { return validDocument() + "<file subject=\"&quot;junk.rar&quot;\"/>\n"; }},
    {"Latin1BytesDeclaredUtf8", [] { return validDocument().replace("one.rar", "\xE9t\xE9.rar"); }},
    {"Latin1BytesWithoutDeclaration",
     [] {
         return validDocument()
             .replace("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "")
             .replace("one", "\xE9");
     }},
    {"BillionLaughs",
     [] {
         QByteArray dtd = "<!DOCTYPE nzb [\n<!ENTITY lol \"lol\">\n";
         for (int i = 1; i <= 9; ++i) {
             dtd += "<!ENTITY lol" + QByteArray::number(i) + " \"";
             for (int k = 0; k < 10; ++k)
                 dtd += "&lol" + (i == 1 ? QByteArray() : QByteArray::number(i - 1)) + ";";
             dtd += "\">\n";
         }
         dtd += "]>\n";
         return QByteArray("<?xml version=\"1.0\"?>\n") + dtd +
                "<nzb><file subject=\"&lol9;\"><segments><segment bytes=\"1\" number=\"1\">&lol9;</segment>"
                "</segments></file></nzb>";
     }},
    {"SmallInternalEntity",
     [] {
         return QByteArray(
             "<?xml version=\"1.0\"?>\n<!DOCTYPE nzb [<!ENTITY n \"name.rar\">]>\n"
             "<nzb><file subject=\"&quot;&n;&quot;\"><segments><segment bytes=\"1\" number=\"1\">"
             "a@b</segment></segments></file></nzb>");
     }},
    {"ExternalEntity",
     [] {
         return QByteArray(
             "<?xml version=\"1.0\"?>\n<!DOCTYPE nzb [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
             "<nzb><file subject=\"s\"><segments><segment bytes=\"1\" number=\"1\">&x;</segment>"
             "</segments></file></nzb>");
     }},
    {"NulCharacter", [] { return validDocument().replace("one.rar", QByteArray("one\0.rar", 8)); }},
    {"ControlCharacter", [] { return validDocument().replace("one.rar", "one\x01.rar"); }},
    {"DeepNesting",
     [] {
         return "<nzb>" + QByteArray("<x>").repeated(100000) + QByteArray("</x>").repeated(100000) + "</nzb>";
     }},
    {"FileInsideAFile",
     [] {
         const QByteArray open = "<file subject=\"x\"><groups><group>alt.binaries.test</group>";
         return "<nzb>" + open.repeated(3) + QByteArray("</groups></file>").repeated(3) + "</nzb>";
     }},
    {"SegmentInsideASegment",
     [] {
         return QByteArray("<nzb><file subject=\"x\"><segments><segment bytes=\"1\" number=\"1\">"
                           "a@b<segment bytes=\"1\" number=\"2\">c@d</segment></segment></segments>"
                           "</file></nzb>");
     }},
    {"OverlongMessageId",
     [] {
         return QByteArray("<nzb><file subject=\"x\"><segments><segment bytes=\"1\" number=\"1\">") +
                QByteArray(1 << 20, 'a') + "@b</segment></segments></file></nzb>";
     }},
    {"NoFileElements", [] { return QByteArray("<nzb><head><meta type=\"title\">t</meta></head></nzb>"); }},
    {"OnlyFilesWithoutArticles",
     [] {
         return QByteArray("<nzb><file subject=\"&quot;a.rar&quot;\"><groups><group>alt.binaries.test</group>"
                           "</groups><segments/></file><file subject=\"&quot;b.rar&quot;\"/></nzb>");
     }},
    {"Empty", [] { return QByteArray(); }},
    {"NotXml", [] { return QByteArray("this is not an NZB file\n"); }},
};

void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.name;
}

class HostileNZB : public ::testing::TestWithParam<HostileCase>, public NZBImportHarness
{
};

TEST_P(HostileNZB, StaysInTheQueueAt28WithNothingToDownload)
{
    UserDefaults::standard().setBool(true, "enableDeleteNZB");
    const QString path = writeBytes(QString::fromLatin1(GetParam().name) + ".nzb", GetParam().make());
    const QueuePtr root = import(path);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status(), JobStatus::NZBParseError);
    EXPECT_TRUE(root->fileparts().isEmpty());
    const QString text = QCodeClass::code2Text(28).value_or(QString());
    EXPECT_EQ(text, "NZB Parse error. The NZB file is corrupt.");
    EXPECT_EQ(root->commentTextField(), text);
    EXPECT_EQ(root->dpStatusTextField(), text);
    EXPECT_EQ(queueController.queueArray().size(), 1);
    EXPECT_FALSE(LogFileReader(home.logFilePath()).linesContaining(":: " + path).isEmpty());
    const QStringList errors = LogFileReader(home.logFilePath()).linesContaining("[NZBParser startParsing]");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("[ERROR]")) << errors[0].toStdString();
    // Not forced: a file that could not be read is kept for the user.
    EXPECT_TRUE(exists(path));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileNZB, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Import, AFileWithoutArticlesIsLeftOutAndTheOthersKept)
{
    NzbFixture nzb;
    nzb.addFile("one.rar").addFile("empty.rar", 0).addFile("two.rar");
    const QueuePtr root = import(write("Some.Empty.nzb", nzb));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status(), JobStatus::NZBParsed);
    EXPECT_EQ(filenamesOf(root), (QStringList{"one.rar", "two.rar"}));
    EXPECT_EQ(root->totalfiles(), 2);
    EXPECT_EQ(log.linesContaining("1 files without articles left out").size(), 1);
}

// Elements nested without end are refused as soon as they are deeper than an
// NZB ever is, so that the reader's stack of open elements never grows with
// the file (20 MB of them once took the import to about 470 MiB).
TEST_F(Import, DeeplyNestedJunkIsRefusedWithoutHoldingTheDocument)
{
    const QString path = pathFor("nested.nzb");
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        constexpr int kDepth = 20'000'000 / 7;
        out.write("<?xml version=\"1.0\"?>\n<nzb>");
        const QByteArray opens = QByteArray("<x>").repeated(4096);
        const QByteArray closes = QByteArray("</x>").repeated(4096);
        for (int n = 0; n < kDepth; n += 4096)
            out.write(opens);
        for (int n = 0; n < kDepth; n += 4096)
            out.write(closes);
        out.write("</nzb>\n");
    }
    const long before = ProcessMemory::statusKiB("VmRSS:");
    ProcessMemory::resetPeak();
    const QueuePtr root = import(path);
    const long peak = ProcessMemory::statusKiB("VmHWM:");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status(), JobStatus::NZBParseError);
    EXPECT_TRUE(root->fileparts().isEmpty());
    EXPECT_EQ(log.linesContaining("nested more than").size(), 1);
    EXPECT_LT(peak - before, 64 * 1024) << "KiB above the start";
}

TEST_F(Import, ADocumentWithABomAndThePublicDoctypeIsRead)
{
    const QByteArray xml = "\xEF\xBB\xBF" + validDocument();
    const QueuePtr root = import(writeBytes("bom.nzb", xml));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status(), JobStatus::NZBParsed);
    EXPECT_EQ(root->fileparts().size(), 2);
}

// ---- Deletion of the imported file

struct DeletionCase
{
    const char* name;
    bool corrupt;
    bool enableDelete;
    bool toTrash;
    bool forced;
    enum { Kept, Removed, Trashed } expected;
};

void PrintTo(const DeletionCase& c, std::ostream* os)
{
    *os << c.name;
}

class ImportedFileDeletion : public ::testing::TestWithParam<DeletionCase>, public NZBImportHarness
{
};

TEST_P(ImportedFileDeletion, OnlyWhereTheRulesSaySo)
{
    const DeletionCase& c = GetParam();
    UserDefaults::standard().setBool(c.enableDelete, "enableDeleteNZB");
    UserDefaults::standard().setBool(c.toTrash, "enableDeleteNZBToTrash");
    const QString name = QString::fromLatin1(c.name) + ".nzb";
    const QString path = writeBytes(name, c.corrupt ? QByteArray("<nzb><file>") : validDocument());
    const QueuePtr root = import(path, c.forced);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status(), c.corrupt ? 28 : 34);
    EXPECT_EQ(exists(path), c.expected == DeletionCase::Kept);
    EXPECT_EQ(exists(trashed(name)), c.expected == DeletionCase::Trashed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportedFileDeletion,
    ::testing::Values(DeletionCase{"SettingOff", false, false, true, false, DeletionCase::Kept},
                      DeletionCase{"Removed", false, true, false, false, DeletionCase::Removed},
                      DeletionCase{"ToTrash", false, true, true, false, DeletionCase::Trashed},
                      DeletionCase{"ForcedWithSettingOff", false, false, false, true, DeletionCase::Trashed},
                      DeletionCase{"CorruptKept", true, true, false, false, DeletionCase::Kept},
                      DeletionCase{"CorruptForced", true, false, false, true, DeletionCase::Trashed}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

// The queue saved while an NZB file is still being read (here from a pipe
// that delivers half of it, then waits), and again once it is read.
TEST_F(Import, AJobIsSavedOnlyOnceItsImportHasEnded)
{
    NzbFixture nzb;
    nzb.addFile("Show.par2").addFile("Show.part1.rar", 50).addFile("Other.par2").addFile("Other.part1.rar", 50);
    const QByteArray xml = nzb.toXml();
    const QString path = pathFor("Two.Sets.nzb");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    std::atomic<bool> halfWritten{false};
    QSemaphore rest;
    std::thread writer([&] {
        // Blocks until the import opens the pipe.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const qsizetype half = xml.size() * 3 / 4;
        ASSERT_EQ(::write(fd, xml.constData(), size_t(half)), ssize_t(half));
        halfWritten = true;
        rest.acquire();
        ASSERT_EQ(::write(fd, xml.constData() + half, size_t(xml.size() - half)), ssize_t(xml.size() - half));
        ::close(fd);
    });
    auto save = [this] {
        SaveRestoreController saver;
        saver.setQueueController(&queueController);
        EXPECT_TRUE(saver.saveQueue());
        QMap<int, int> rowsOfType;
        for (const QStringList& row : DBSaveRestore().loadQueue())
            ++rowsOfType[row[DBSaveRestore::ColType].toInt()];
        return rowsOfType;
    };

    nzbController.parseFileUrl(path, false);
    ASSERT_TRUE(waitUntil([&] { return halfWritten.load(); }));
    spinEventLoop(100);
    ASSERT_EQ(queueController.queueArray().size(), 1);
    EXPECT_EQ(queueController.queueArray()[0]->status(), JobStatus::ParsingNZB);
    EXPECT_TRUE(save().isEmpty());

    rest.release();
    writer.join();
    ASSERT_TRUE(finishImports());
    ASSERT_EQ(queueController.queueArray().size(), 2);
    const QMap<int, int> rows = save();
    EXPECT_EQ(rows.value(DBSaveRestore::JobRow), 2);
    EXPECT_EQ(rows.value(DBSaveRestore::FilepartRow), 4);
    EXPECT_EQ(rows.value(DBSaveRestore::ArticleRow), 2 + 50 + 2 + 50);
}

// A job of 40,000 files imported as the program does it, status handlers and
// all: its parts are queued for download a slice at a time, so that the main
// thread is never kept from the window for long (all of them in one go once
// kept it about 2 s, more under a sanitizer), and the parts are silent until
// they are whole, so that no flood of change reports waits for the main
// thread either.
TEST(ImportOfABigNZB, NeverHoldsTheMainThreadLong)
{
    TempHome home;
    QueueController queueController;
    NZBController nzbController;
    queueController.setNzbController(&nzbController);
    nzbController.setQueueController(&queueController);
    constexpr int kFiles = 40'000;
    const QString path = QDir(home.makeFolder("nzbs")).filePath("Big.nzb");
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nzb>\n");
        for (int f = 0; f < kFiles; ++f) {
            const QByteArray n = QByteArray::number(f);
            out.write("<file poster=\"p@example.invalid\" subject=\"&quot;file" + n +
                      ".bin&quot; yEnc (1/1)\"><groups><group>alt.binaries.test</group></groups><segments>"
                      "<segment bytes=\"1000\" number=\"1\">" +
                      n + "@test.invalid</segment></segments></file>\n");
        }
        out.write("</nzb>\n");
    }

    MainThreadStallMeter meter;
    meter.start();
    nzbController.parseFileUrl(path, false);
    const QueuePtr root = queueController.queueArray().value(0);
    ASSERT_TRUE(root);
    const auto allQueued = [&root] {
        const QList<QueuePtr> parts = root->fileparts();
        return parts.size() == kFiles && parts.last()->status() == FilePartStatus::Queued;
    };
    ASSERT_TRUE(waitUntil(allQueued, 120000));
    spinEventLoop(50);
    meter.stop();

    EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
    qsizetype queued = 0;
    for (const QueuePtr& part : root->fileparts())
        queued += part->status() == FilePartStatus::Queued;
    EXPECT_EQ(queued, kFiles);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), kFiles);
    EXPECT_LT(meter.longestMs(), 1000);
}
