// The program's main roads against a real news server (a private INN on
// 127.0.0.1): files posted by an upload job and fetched back through the NZB
// the job wrote.

#include "InnEndToEnd.h"

#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/NzbFixture.h"
#include "support/Par2SetMaker.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

// Decoded bytes per article; the second file fills exactly one.
constexpr qint64 kArticleSize = 716800;

class InnRoundTrip : public InnEndToEnd
{
protected:
    // A copy of the NZB an upload wrote, imported as a download job: a job of
    // the upload's own title is still in the queue, and titles are unique.
    QueuePtr importCopy(const QString& nzbPath, const QString& title)
    {
        const QString copy =
            QDir(home.makeFolder(QStringLiteral("to-fetch"))).filePath(title + QStringLiteral(".nzb"));
        EXPECT_TRUE(QFile::copy(nzbPath, copy));
        return import(copy);
    }
};

TEST_F(InnRoundTrip, PostedFilesComeBackByteForByteThroughTheirNzb)
{
    const QString source = home.makeFolder(QStringLiteral("to-post"));
    const QList<QPair<QString, qint64>> files = {{QStringLiteral("one byte.bin"), 1},
                                                 {QStringLiteral("one article.bin"), kArticleSize},
                                                 {QStringLiteral("twenty megabytes.bin"), 20 * 1000 * 1000}};
    ASSERT_TRUE(Par2SetMaker::writeFiles(source, files, 2501));
    QStringList paths;
    for (const auto& [name, size] : files)
        paths.append(QDir(source).filePath(name));

    const NNTPServerObjectPtr entry = addInnServer(QStringLiteral("INN"), 4);
    const QString nzb = upload(QStringLiteral("Round Trip"), paths, entry->serverID(), kArticleSize, 120000);
    ASSERT_FALSE(nzb.isEmpty());

    const QueuePtr job = importCopy(nzb, QStringLiteral("Round Trip back"));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 120000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QString folder = job->downloadUrl();
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
        << folder.toStdString();
    EXPECT_EQ(filesBelow(folder),
              QStringList({QStringLiteral("one article.bin"), QStringLiteral("one byte.bin"),
                           QStringLiteral("twenty megabytes.bin")}));
    for (const QString& path : paths) {
        const QString name = QFileInfo(path).fileName();
        EXPECT_TRUE(sameFile(path, folder, name)) << name.toStdString();
    }
}

// The NZB at `path` with the articles `numbers` of the file whose subject
// names `file` given message-ids the server never saw.
bool loseArticles(const QString& path, const QString& file, const QList<int>& numbers)
{
    QString xml = QString::fromUtf8(fileBytes(path));
    static const QRegularExpression fileBlock(QStringLiteral("<file\\b[^>]*>.*?</file>"),
                                              QRegularExpression::DotMatchesEverythingOption);
    int lost = 0;
    QRegularExpressionMatchIterator files = fileBlock.globalMatch(xml);
    while (files.hasNext()) {
        const QRegularExpressionMatch f = files.next();
        QString block = f.captured(0);
        const qsizetype headEnd = block.indexOf(u'>');
        if (!block.left(headEnd).contains(QStringLiteral("&quot;") + file + QStringLiteral("&quot;")))
            continue;
        for (int number : numbers) {
            const QRegularExpression segment(
                QStringLiteral("(<segment\\b[^>]*\\bnumber=\"%1\"[^>]*>)([^<]+)(</segment>)").arg(number));
            const QRegularExpressionMatch m = segment.match(block);
            if (!m.hasMatch()) return false;
            block.replace(m.capturedStart(2), m.capturedLength(2), QStringLiteral("gone.") + m.captured(2));
            ++lost;
        }
        xml.replace(f.capturedStart(0), f.capturedLength(0), block);
        break;
    }
    return lost == numbers.size() && NzbFixture::writeBytes(path, xml.toUtf8());
}

TEST_F(InnRoundTrip, ASetWithArticlesTheServerDoesNotHoldIsRepairedToTheExactFiles)
{
    const QString source = home.makeFolder(QStringLiteral("to-post"));
    const QList<QPair<QString, qint64>> files = {{QStringLiteral("damaged.bin"), 6 * 1000 * 1000},
                                                 {QStringLiteral("whole.bin"), 1500 * 1000}};
    ASSERT_TRUE(Par2SetMaker::writeFiles(source, files, 2502));
    const QStringList names = {files[0].first, files[1].first};
    QString par2Output;
    const QStringList par2 =
        Par2SetMaker::create(source, QStringLiteral("Set"), names, 100000, 30, &par2Output);
    ASSERT_GE(par2.size(), 2) << par2Output.toStdString();
    QStringList paths;
    for (const QString& name : names)
        paths.append(QDir(source).filePath(name));
    paths += par2;

    const NNTPServerObjectPtr entry = addInnServer(QStringLiteral("INN"), 4);
    const QString nzb = upload(QStringLiteral("Repair Set"), paths, entry->serverID(), 250000, 120000);
    ASSERT_FALSE(nzb.isEmpty());

    const QString copy =
        QDir(home.makeFolder(QStringLiteral("to-fetch"))).filePath(QStringLiteral("Repair Set back.nzb"));
    ASSERT_TRUE(QFile::copy(nzb, copy));
    ASSERT_TRUE(loseArticles(copy, QStringLiteral("damaged.bin"), {3, 11, 19}));
    const QueuePtr job = import(copy);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntil(
        [&] {
            const QList<qint64> codes = codesOf(job);
            return codes.contains(JobStatus::Finished) || codes.contains(JobStatus::NotEnoughRepairBlocks);
        },
        120000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QList<qint64> codes = codesOf(job);
    EXPECT_TRUE(containsInOrder(codes, {JobStatus::NeedsMoreRepairBlocks, JobStatus::Repairing,
                                        JobStatus::RepairFinished, JobStatus::Finished}));
    EXPECT_FALSE(codes.contains(JobStatus::NotEnoughRepairBlocks));
    const QString folder = job->downloadUrl();
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
        << folder.toStdString();
    for (const QString& name : names)
        EXPECT_TRUE(sameFile(QDir(source).filePath(name), folder, name)) << name.toStdString();
}

} // namespace
