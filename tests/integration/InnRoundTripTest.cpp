// The program's main roads against a real news server (a private INN on
// 127.0.0.1): files posted by an upload job and fetched back through the NZB
// the job wrote.

#include "InnEndToEnd.h"

#include "queue/StatusCodes.h"

#include "support/Par2SetMaker.h"

#include <QDir>
#include <QFile>

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

} // namespace
