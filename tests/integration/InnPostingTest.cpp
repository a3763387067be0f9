// Posts with a subject, a poster name and a file name beyond ASCII against a
// real news server (a private INN on 127.0.0.1): the server accepts them, the
// headers read back decode to what was typed (decoded by a reader that is not
// ours), and the file comes back through its NZB under its own name.

#include "InnEndToEnd.h"

#include "nntp/EncodedWords.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/NntpTestClient.h"
#include "support/Par2SetMaker.h"
#include "support/PythonHeaderDecoder.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>

namespace {

const QString kSubject = QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u20ac");
const QString kPoster = QStringLiteral("tester@example.invalid (J\u00fcrgen M\u00fcller)");
const QString kFileName = QStringLiteral("\u00dcn\u00efcode \u2713 file.bin");

// The header lines of a HEAD reply by name (lower case), each value as it
// stands after the colon, folding kept.
QMap<QByteArray, QByteArray> headersOf(const QByteArray& reply)
{
    QMap<QByteArray, QByteArray> headers;
    QByteArray name;
    const QList<QByteArray> lines = reply.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) { // after the status line
        QByteArray line = lines[i];
        if (line.endsWith('\r')) line.chop(1);
        if (line == ".") break;
        if ((line.startsWith(' ') || line.startsWith('\t')) && !name.isEmpty()) {
            headers[name] += "\r\n" + line;
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        name = line.left(colon).toLower();
        headers[name] = line.mid(colon + 1);
    }
    return headers;
}

class InnPosting : public InnEndToEnd
{
protected:
    // Every article of the group, by number: its headers.
    QList<QMap<QByteArray, QByteArray>> groupHeaders()
    {
        QList<QMap<QByteArray, QByteArray>> all;
        NntpTestClient client(10000);
        if (!client.connectTo(inn.port())) return all;
        client.readLine();
        client.send("GROUP " + InnServer::group().toLatin1());
        const QList<QByteArray> group = client.readLine().trimmed().split(' ');
        if (group.size() < 4 || group[0] != "211") return all;
        for (qint64 n = group[2].toLongLong(); n <= group[3].toLongLong(); ++n) {
            client.send("HEAD " + QByteArray::number(n));
            const QByteArray status = client.readLine();
            if (!status.startsWith("221")) continue;
            all.append(headersOf(status + client.readBlock()));
        }
        return all;
    }

    QByteArray body(const QByteArray& mid)
    {
        NntpTestClient client(10000);
        if (!client.connectTo(inn.port())) return {};
        client.readLine();
        client.send("BODY " + mid);
        const QByteArray status = client.readLine();
        if (!status.startsWith("222")) return status;
        const QByteArray block = client.readBlock();
        return block.chopped(3); // without the terminating line
    }
};

} // namespace

TEST_F(InnPosting, TextPostsWithSubjectAndNameBeyondAsciiAreAcceptedAndReadBackAsTyped)
{
    const NNTPServerObjectPtr entry = addInnServer(QStringLiteral("INN"), 2);
    // Letters beyond Latin-1, and letters of the Latin-1 range only (which
    // a strict server refused when they went out as raw ISO-8859-1 bytes).
    const QStringList subjects = {kSubject, QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln")};
    QList<QueuePtr> jobs;
    for (const QString& subject : subjects) {
        const QueuePtr job = Queue::create();
        job->setIsUploadObject(true);
        job->setTitle(subject);
        job->setPoster(kPoster);
        job->setGroups(InnServer::group());
        job->setServerID(entry->serverID());
        job->setTextBody(QStringLiteral("Hallo aus K\u00f6ln.\r\n"));
        job->setBytes(300);
        job->setMaxArticleSize(384000);
        job->setDelegate(engine->queueController());
        job->setStatus(UploadStatus::AddingToQueue);
        jobs.append(job);
    }
    for (const QueuePtr& job : jobs) {
        ASSERT_TRUE(waitUntil(
            [&] {
                const QList<qint64> codes = codesOf(job);
                return codes.contains(UploadStatus::Finished) || codes.contains(UploadStatus::PostingDenied);
            },
            60000))
            << job->status() << " " << job->commentTextField().toStdString();
        EXPECT_FALSE(codesOf(job).contains(UploadStatus::PostingDenied))
            << job->title().toStdString() << ": " << job->commentTextField().toStdString();
    }
    EXPECT_TRUE(dialogs.asked().isEmpty());

    const QList<QMap<QByteArray, QByteArray>> group = groupHeaders();
    for (const QString& subject : subjects) {
        SCOPED_TRACE(subject.toStdString());
        QMap<QByteArray, QByteArray> posted;
        for (const QMap<QByteArray, QByteArray>& h : group)
            if (EncodedWords::decode(QString::fromLatin1(h.value("subject")).trimmed()) == subject) posted = h;
        ASSERT_FALSE(posted.isEmpty()) << "the post is not in the group";
        QString error;
        const std::optional<QStringList> decoded =
            PythonHeaderDecoder::decode({posted.value("subject"), posted.value("from")}, &error);
        ASSERT_TRUE(decoded) << error.toStdString();
        EXPECT_EQ(decoded->at(0), subject);
        EXPECT_EQ(decoded->at(1), kPoster);
        EXPECT_EQ(posted.value("content-type").trimmed(), "text/plain; charset=ISO-8859-1");
        const QByteArray text = body(posted.value("message-id").trimmed());
        EXPECT_EQ(QString::fromLatin1(text), QStringLiteral("Hallo aus K\u00f6ln.\r\n"));
    }
}

TEST_F(InnPosting, AFileNamedBeyondAsciiIsPostedAndComesBackUnderItsOwnName)
{
    const QString source = home.makeFolder(QStringLiteral("to-post"));
    ASSERT_TRUE(Par2SetMaker::writeFiles(source, {{kFileName, 500000}}, 4101));
    const QString path = QDir(source).filePath(kFileName);

    const NNTPServerObjectPtr entry = addInnServer(QStringLiteral("INN"), 2);
    const QString nzb = upload(kSubject, {path}, entry->serverID(), 200000, 60000, kPoster);
    ASSERT_FALSE(nzb.isEmpty());
    EXPECT_TRUE(dialogs.asked().isEmpty());

    // Each article's Subject and From read, decoded, as the program made them.
    QList<QByteArray> values;
    for (const QMap<QByteArray, QByteArray>& h : groupHeaders())
        values << h.value("subject") << h.value("from");
    QString error;
    const std::optional<QStringList> decoded = PythonHeaderDecoder::decode(values, &error);
    ASSERT_TRUE(decoded) << error.toStdString();
    QStringList subjects;
    for (qsizetype i = 0; i + 1 < decoded->size(); i += 2) {
        subjects.append(decoded->at(i));
        EXPECT_EQ(decoded->at(i + 1), kPoster);
    }
    subjects.sort();
    QStringList expected;
    for (int n = 1; n <= 3; ++n)
        expected.append(kSubject + QStringLiteral(" - \"") + kFileName + QStringLiteral("\" yEnc (%1/3)").arg(n));
    EXPECT_EQ(subjects, expected);

    const QString copy =
        QDir(home.makeFolder(QStringLiteral("to-fetch"))).filePath(QStringLiteral("Fetched back.nzb"));
    ASSERT_TRUE(QFile::copy(nzb, copy));
    const QueuePtr job = import(copy);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 60000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QString folder = job->downloadUrl();
    EXPECT_EQ(filesBelow(folder), QStringList({kFileName}));
    EXPECT_TRUE(sameFile(path, folder, kFileName));
}
