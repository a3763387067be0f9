#include "search/NZBExportWriter.h"

#include "queue/Queue.h"
#include "queue/Segment.h"
#include "search/NZBExportParser.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/LogFileReader.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using R = DeepLookupReplyBuilder;

class Outcomes : public NZBExportWriterDelegate
{
public:
    void nzbWriteFinishedForQueue(const QueuePtr& job) override { reports.append({"finished", {}, {}, job}); }
    void nzbWriteFailed(const QString& title, const QString& subtitle, const QueuePtr& job) override
    {
        reports.append({"failed", title, subtitle, job});
    }
    struct Report
    {
        QString kind, title, subtitle;
        QueuePtr job;
    };
    QList<Report> reports;
};

// A root as the export reply gives it.
QueuePtr makeRoot(const QList<QByteArrayList>& rows)
{
    const NZBExportParser::Result result =
        NZBExportParser().parseSearchResult(QString::fromUtf8(HttpReply::tabLines(rows)));
    return result.contentArray ? result.contentArray->first() : nullptr;
}

QueuePtr firstRoot()
{
    return makeRoot({
        R::exportResult("First", "2", 1700000000, "alt.binaries.a, b", "A & B <ab@x>", 2),
        R::exportFile("first [1/2] - \"one.rar\" yEnc (1/2)", "12445.6", 1700000001),
        R::exportSegment("one.1<@x", "12345.6", 1),
        R::exportSegment("one.2@x", "100", 2),
        R::exportFile("first [2/2] - \"two.rar\" yEnc (1/1)", "7", 1700000002),
        R::exportSegment("two.1@x", "7", 1),
    });
}

QueuePtr secondRoot()
{
    return makeRoot({
        R::exportResult("Second", "5", 1700000100, "alt.binaries.c", "c@x", 1),
        R::exportFile("second \"k\xC3\xA4se.bin\" (1/1)", "5", 1700000101),
        R::exportSegment("k.1@x", "5", 1),
    });
}

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                           "<!DOCTYPE nzb PUBLIC \"-//newzBin//DTD NZB 1.0//EN\" "
                           "\"http://www.newzbin.com/DTD/nzb/nzb-1.0.dtd\">\r\n"
                           "<nzb xmlns=\"http://www.newzbin.com/DTD/2003/nzb\">\r\n";

const QByteArray kFirstFiles =
    "<file poster=\"A &amp; B &lt;ab@x&gt;\" date=\"1700003600\" "
    "subject=\"first [1/2] - &quot;one.rar&quot; yEnc (1/2)\">\r\n"
    "<groups>\r\n<group>alt.binaries.a</group>\r\n<group> b</group>\r\n</groups>\r\n"
    "<segments>\r\n"
    "<segment bytes=\"12346\" number=\"1\">one.1&lt;@x</segment>\r\n"
    "<segment bytes=\"100\" number=\"2\">one.2@x</segment>\r\n"
    "</segments>\r\n"
    "</file>\r\n"
    "<file poster=\"A &amp; B &lt;ab@x&gt;\" date=\"1700003600\" "
    "subject=\"first [2/2] - &quot;two.rar&quot; yEnc (1/1)\">\r\n"
    "<groups>\r\n<group>alt.binaries.a</group>\r\n<group> b</group>\r\n</groups>\r\n"
    "<segments>\r\n<segment bytes=\"7\" number=\"1\">two.1@x</segment>\r\n</segments>\r\n"
    "</file>\r\n";

const QByteArray kSecondFiles =
    "<file poster=\"c@x\" date=\"1700003600\" "
    "subject=\"second &quot;k\xC3\xA4se.bin&quot; (1/1)\">\r\n"
    "<groups>\r\n<group>alt.binaries.c</group>\r\n</groups>\r\n"
    "<segments>\r\n<segment bytes=\"5\" number=\"1\">k.1@x</segment>\r\n</segments>\r\n"
    "</file>\r\n";

const QByteArray kFooter = "</nzb>\r\n";

struct Writer : ::testing::Test
{
    TempHome home;
    QString folder = home.makeFolder(QStringLiteral("export"));
    QString target = folder + QStringLiteral("/result.nzb");
    LogFileReader log{home.logFilePath()};
    Outcomes outcomes;

    // One writer, as the controller uses one per root.
    void write(const QueuePtr& root, const QString& path, bool merge, double clock = 1700003600.4)
    {
        if (root) root->setNzbExportUrl(path);
        NZBExportWriter writer;
        writer.setDelegate(&outcomes);
        writer.setClock([clock] { return clock; });
        writer.createdNZBForQueue(root, merge);
    }

    // The one report of the last write.
    QString lastReport() const
    {
        if (outcomes.reports.isEmpty()) return QStringLiteral("none");
        const Outcomes::Report& r = outcomes.reports.last();
        return r.kind == QLatin1String("finished") ? r.kind : r.kind + QLatin1Char(' ') + r.title;
    }
};

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST_F(Writer, ANewExportIsTheWholeDocumentWithCrLfLines)
{
    const QueuePtr root = firstRoot();
    write(root, target, false);
    EXPECT_EQ(lastReport(), QStringLiteral("finished"));
    EXPECT_EQ(outcomes.reports.last().job, root);
    EXPECT_EQ(fileBytes(target), kHeader + kFirstFiles + kFooter);
    EXPECT_EQ(log.linesWithMessage(QStringLiteral("Exporting NZB file:: ") + target).size(), 1);
    EXPECT_EQ(log.linesWithMessage(QStringLiteral("Finished saving NZB :: ") + target).size(), 1);

    // The date is the moment of writing.
    const QString later = folder + QStringLiteral("/later.nzb");
    write(firstRoot(), later, false, 1700007200.0);
    EXPECT_TRUE(fileBytes(later).contains("date=\"1700007200\""));
    EXPECT_FALSE(fileBytes(later).contains("date=\"1700003600\""));
}

TEST_F(Writer, AMergeAddsTheFilesBeforeTheOneClosingLine)
{
    write(firstRoot(), target, true); // a merge target that is not there yet is a new file
    write(secondRoot(), target, true);
    ASSERT_EQ(outcomes.reports.size(), 2);
    EXPECT_EQ(lastReport(), QStringLiteral("finished"));
    const QByteArray merged = fileBytes(target);
    EXPECT_EQ(merged, kHeader + kFirstFiles + kSecondFiles + kFooter);
    EXPECT_EQ(merged.count("<?xml"), 1);
    EXPECT_TRUE(merged.endsWith(kFooter));

    // An existing empty target gets the whole document.
    const QString empty = folder + QStringLiteral("/empty.nzb");
    writeBytes(empty, {});
    write(secondRoot(), empty, true);
    EXPECT_EQ(lastReport(), QStringLiteral("finished"));
    EXPECT_EQ(fileBytes(empty), kHeader + kSecondFiles + kFooter);
}

TEST_F(Writer, AMergeIntoALargeFileOverwritesExactlyItsLastEightBytes)
{
    QByteArray big = kHeader;
    const QByteArray filler = "<!-- filler line of a large document -->\r\n";
    while (big.size() < 16 * 1024 * 1024 + 123)
        big += filler;
    big += kFooter;
    writeBytes(target, big);
    write(secondRoot(), target, true);
    EXPECT_EQ(lastReport(), QStringLiteral("finished"));
    const QByteArray after = fileBytes(target);
    ASSERT_EQ(after.size(), big.size() - 8 + kSecondFiles.size() + 8);
    EXPECT_TRUE(after.startsWith(big.left(big.size() - 8)));
    EXPECT_EQ(after.mid(big.size() - 8), kSecondFiles + kFooter);
}

// Every way a write can go wrong: one report, and the target as it was.
TEST_F(Writer, FailuresReportOnceAndLeaveTheTargetAsItWas)
{
    const QByteArray notOurs = "<?xml version=\"1.0\"?>\r\n<nzb>\r\n</nzb>";
    const QByteArray otherTail = kHeader + kFirstFiles + "</nzb>\r\n<!-- x -->";
    struct Case
    {
        const char* name;
        std::function<QueuePtr()> root;
        std::optional<QByteArray> before; // the target before the write (absent: none)
        QString path;
        bool merge;
        QString report;
    };
    const QueuePtr nullTitle = firstRoot();
    nullTitle->fileparts().at(1)->setTitle(QString());
    const QueuePtr nullPoster = firstRoot();
    nullPoster->setPoster(QString());
    const QString missingFolder = folder + QStringLiteral("/gone/result.nzb");
    const Case cases[] = {
        {"no job", [] { return QueuePtr(); }, std::nullopt, target, false,
         QStringLiteral("failed Object no longer exists")},
        {"a title that cannot be escaped", [&] { return nullTitle; }, std::nullopt, target, false,
         QStringLiteral("failed NZB export error")},
        {"a poster that cannot be escaped", [&] { return nullPoster; }, std::nullopt, target, false,
         QStringLiteral("failed NZB export error")},
        {"a folder that does not exist", firstRoot, std::nullopt, missingFolder, false,
         QStringLiteral("failed NZB export error")},
        {"an existing file without merge", firstRoot, notOurs, target, false,
         QStringLiteral("failed NZB export error")},
        {"an empty existing file without merge", firstRoot, QByteArray(), target, false,
         QStringLiteral("failed NZB export error")},
        {"a merge into a file that does not end with the closing line", secondRoot, otherTail, target, true,
         QStringLiteral("failed NZB export error")},
        {"a merge into a file that is only the closing line", secondRoot, kFooter, target, true,
         QStringLiteral("failed NZB export error")},
    };
    for (const Case& c : cases) {
        QFile::remove(target);
        if (c.before) writeBytes(target, *c.before);
        outcomes.reports.clear();
        write(c.root(), c.path, c.merge);
        ASSERT_EQ(outcomes.reports.size(), 1) << c.name;
        EXPECT_EQ(lastReport(), c.report) << c.name;
        if (c.report != QLatin1String("failed Object no longer exists")) {
            EXPECT_EQ(outcomes.reports.last().subtitle,
                      QStringLiteral("NZB creation cancelled due to errors."))
                << c.name;
        }
        EXPECT_EQ(QFileInfo::exists(target), c.before.has_value()) << c.name;
        if (c.before) {
            EXPECT_EQ(fileBytes(target), *c.before) << c.name;
        }
        EXPECT_FALSE(QFileInfo::exists(missingFolder)) << c.name;
    }
    EXPECT_EQ(log.linesWithMessage(QStringLiteral("XMLEscape returned nil for title argument :: ")).size(),
              1);
    // Once per file of the root.
    EXPECT_EQ(log.linesWithMessage(QStringLiteral("XMLEscape returned nil for poster argument :: ")).size(),
              2);
    EXPECT_EQ(log.linesWithMessage(QStringLiteral("NZB creation cancelled due to errors.")).size(), 7);
}

TEST_F(Writer, ACancelledWriterReportsTheCancelOnlyAndWritesNothing)
{
    NZBExportWriter writer;
    writer.setDelegate(&outcomes);
    writer.cancelWriting();
    const QueuePtr root = firstRoot();
    root->setNzbExportUrl(target);
    writer.createdNZBForQueue(root, false);
    ASSERT_EQ(outcomes.reports.size(), 1);
    EXPECT_EQ(outcomes.reports[0].title, QStringLiteral("NZB export cancelled"));
    EXPECT_EQ(outcomes.reports[0].subtitle, QStringLiteral(""));
    EXPECT_EQ(outcomes.reports[0].job, nullptr);
    EXPECT_FALSE(QFileInfo::exists(target));
}

// The disk fills up in the middle of a write (the file may not grow past a
// limit, as on a full disk): failure is reported and the file is as it was,
// for a new file (none) and for a merge (the old document, whole).
TEST_F(Writer, AFullDiskReportsFailureAndLeavesTheFileAsItWas)
{
    write(firstRoot(), target, false);
    const QByteArray before = fileBytes(target);
    QueuePtr big = secondRoot();
    const QueuePtr file = big->fileparts().first();
    for (int i = 2; i < 5000; ++i) {
        const SegmentPtr s = Segment::create();
        s->setMid(QStringLiteral("k.%1@a.rather.long.host.name.example").arg(i));
        s->setBytes(384000);
        s->setSegnr(i);
        file->appendSegment(s);
    }
    const QString fresh = folder + QStringLiteral("/fresh.nzb");
    for (const bool merge : {true, false}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit;
            limit.rlim_cur = limit.rlim_max = rlim_t(before.size() + 64 * 1024);
            setrlimit(RLIMIT_FSIZE, &limit);
            Outcomes seen;
            big->setNzbExportUrl(merge ? target : fresh);
            NZBExportWriter writer;
            writer.setDelegate(&seen);
            writer.createdNZBForQueue(big, merge);
            const bool oneFailure =
                seen.reports.size() == 1 && seen.reports[0].kind == QLatin1String("failed");
            _exit(oneFailure ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "merge " << merge << ": not one failure report";
    }
    EXPECT_EQ(fileBytes(target), before);
    EXPECT_FALSE(QFileInfo::exists(fresh));
}
