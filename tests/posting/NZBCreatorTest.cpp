#include "posting/NZBCreator.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "queue/Segment.h"

#include "queue/StatusCodes.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

// An upload job whose articles are all posted, with its export folder.
struct PostedUpload
{
    TempHome home;
    QString folder = home.makeFolder("nzb-export");
    QueuePtr job = Queue::create();

    PostedUpload()
    {
        UserDefaults::standard().setObject(folder, "uploadNZBExportPath");
        job->setIsUploadObject(true);
        job->setTitle("Holiday");
        job->setPoster("Me & You <me@example.invalid>");
        job->setGroups("alt.binaries.test, alt.binaries.misc");
        job->setNzbExportUrl(folder + "/Holiday.nzb");
        job->setStatus(UploadStatus::CreatingNZB);
    }

    // A posted file part: articles with the subjects and Message-IDs the
    // hand-out gave them.
    void addPostedFile(const QString& name, QList<double> sizes)
    {
        QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(job);
        part->setFilename(name);
        QList<SegmentPtr> segments;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            SegmentPtr s = Segment::create();
            s->setSegnr(i + 1);
            s->setSegtotal(sizes.size());
            s->setBytes(sizes[i]);
            s->setFilename(QString("Holiday - \"%1\" yEnc (%2/%3)").arg(name).arg(i + 1).arg(sizes.size()));
            s->setMid(
                QString("Part%1of%2.1234567890@%3.local").arg(i + 1).arg(sizes.size()).arg(QString(32, 'a')));
            segments.append(s);
        }
        part->setSegments(segments);
        QList<QueuePtr> parts = job->fileparts();
        parts.append(part);
        job->setFileparts(parts);
    }

    NZBCreator run()
    {
        NZBCreator creator(job);
        creator.setClock([] { return 1765000000.6; });
        creator.main();
        return creator;
    }
};

class NZBCreation : public ::testing::Test, protected PostedUpload
{
};

TEST_F(NZBCreation, WritesEveryPostedArticleByFile)
{
    addPostedFile("a.rar", {384000, 1000});
    addPostedFile("b.rar", {7});
    run();
    EXPECT_EQ(job->status(), UploadStatus::NZBCreated);
    const QByteArray mid = "1234567890@" + QByteArray(32, 'a') + ".local";
    const QByteArray expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<!DOCTYPE nzb PUBLIC \"-//newzBin//DTD NZB 1.0//EN\" "
        "\"http://www.newzbin.com/DTD/nzb/nzb-1.0.dtd\">\r\n"
        "<nzb xmlns=\"http://www.newzbin.com/DTD/2003/nzb\">"
        "<file poster=\"Me &amp; You &lt;me@example.invalid&gt;\" date=\"1765000001\" "
        "subject=\"Holiday - &quot;a.rar&quot; yEnc (1/2)\">\r\n"
        "<groups>\r\n<group>alt.binaries.test</group>\r\n<group> alt.binaries.misc</group>\r\n</groups>\r\n"
        "<segments>\r\n"
        "<segment bytes=\"384000\" number=\"1\">Part1of2." +
        mid +
        "</segment>\r\n"
        "<segment bytes=\"1000\" number=\"2\">Part2of2." +
        mid +
        "</segment>\r\n"
        "</segments>\r\n</file>"
        "<file poster=\"Me &amp; You &lt;me@example.invalid&gt;\" date=\"1765000001\" "
        "subject=\"Holiday - &quot;b.rar&quot; yEnc (1/1)\">\r\n"
        "<groups>\r\n<group>alt.binaries.test</group>\r\n<group> alt.binaries.misc</group>\r\n</groups>\r\n"
        "<segments>\r\n"
        "<segment bytes=\"7\" number=\"1\">Part1of1." +
        mid +
        "</segment>\r\n"
        "</segments>\r\n</file></nzb>\r\n";
    EXPECT_EQ(fileBytes(folder + "/Holiday.nzb"), expected);
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Finished saving NZB :: ").size(), 1);
}

TEST_F(NZBCreation, NamesOutsideAsciiAreWrittenAsUtf8AndControlCharactersDropped)
{
    addPostedFile(QString::fromUtf8("Fête\x01.rar"), {5});
    run();
    const QByteArray written = fileBytes(folder + "/Holiday.nzb");
    EXPECT_TRUE(written.contains(QString::fromUtf8("subject=\"Holiday - &quot;Fête_.rar&quot;").toUtf8()));
}

TEST_F(NZBCreation, ATakenNameGivesTheFirstFreeOneBesideIt)
{
    addPostedFile("a.rar", {5});
    QFile taken(folder + "/Holiday.nzb");
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("mine");
    taken.close();
    run();
    EXPECT_EQ(job->status(), UploadStatus::NZBCreated);
    EXPECT_EQ(job->nzbExportUrl(), folder + "/Holiday.1.nzb");
    EXPECT_EQ(fileBytes(folder + "/Holiday.nzb"), "mine");
    EXPECT_TRUE(fileBytes(folder + "/Holiday.1.nzb").endsWith("</nzb>\r\n"));
}

TEST(NZBCreationFailures, EndInNZBCreationErrorWithoutAFile)
{
    struct Case
    {
        const char* what;
        std::function<void(PostedUpload&)> arrange;
        const char* logged;
    };
    const QList<Case> cases = {
        {"a part without articles", [](PostedUpload& t) { t.addPostedFile("a.rar", {}); },
         "XMLEscape returned nil for filename argument :: "},
        {"an export folder that is gone",
         [](PostedUpload& t) {
             t.addPostedFile("a.rar", {5});
             UserDefaults::standard().setObject(t.folder + "/missing", "uploadNZBExportPath");
         },
         "'NZB export folder (NZB files for uploaded items)' no longer exists or access is denied."},
        {"every alternative name taken",
         [](PostedUpload& t) {
             t.addPostedFile("a.rar", {5});
             QFile(t.folder + "/Holiday.nzb").open(QIODevice::WriteOnly);
             for (int n = 1; n <= 100; ++n)
                 QFile(t.folder + QString("/Holiday.%1.nzb").arg(n)).open(QIODevice::WriteOnly);
         },
         "NZB creation cancelled due to errors."},
    };
    for (const Case& c : cases) {
        PostedUpload t;
        c.arrange(t);
        const QString before = t.job->nzbExportUrl();
        const qint64 sizeBefore = QFileInfo(before).exists() ? QFileInfo(before).size() : -1;
        t.run();
        EXPECT_EQ(t.job->status(), UploadStatus::NZBCreationError) << c.what;
        EXPECT_EQ(QFileInfo(before).exists() ? QFileInfo(before).size() : -1, sizeBefore) << c.what;
        EXPECT_FALSE(LogFileReader(t.home.logFilePath()).linesContaining(c.logged).isEmpty()) << c.what;
        for (int n = 1; n <= 100; ++n)
            EXPECT_EQ(QFileInfo(t.folder + QString("/Holiday.%1.nzb").arg(n)).size(), 0);
    }
}

TEST_F(NZBCreation, ACancelledOrRemovedJobIsLeftAlone)
{
    addPostedFile("a.rar", {5});
    job->setIsCancelled(true);
    run();
    EXPECT_EQ(job->status(), UploadStatus::CreatingNZB);
    EXPECT_FALSE(QFile::exists(folder + "/Holiday.nzb"));

    NZBCreator orphan(Queue::create());
    orphan.main(); // the job is gone: nothing to do, nothing to crash on
    EXPECT_FALSE(QFile::exists(folder + "/Holiday.nzb"));
}

} // namespace
