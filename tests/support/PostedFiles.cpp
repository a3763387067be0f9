#include "support/PostedFiles.h"

#include "support/ArticleFixtures.h"
#include "support/NntpTestClient.h"
#include "support/NzbFixture.h"
#include "support/Par2SetMaker.h"
#include "support/ScriptedNntpServer.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The fixture gives the transfer form; the server does the dot-stuffing
// itself, so it is given the body without it.
QByteArray unstuffed(const QByteArray& transfer)
{
    QByteArray out;
    for (QByteArray line : transfer.split('\n')) {
        if (line.isEmpty()) continue;
        if (line == ".\r") break;
        if (line.startsWith("..")) line.remove(0, 1);
        out += line + '\n';
    }
    return out;
}

} // namespace

PostedFile PostedFile::make(const QString& name, qsizetype size, qsizetype partBytes, std::uint32_t seed)
{
    return fromData(name, ArticleFixtures::randomBytes(size, seed), partBytes);
}

PostedFile PostedFile::fromData(const QString& name, const QByteArray& data, qsizetype partBytes,
                                const QString& postedName)
{
    PostedFile f;
    f.name = name;
    f.postedName = postedName.isEmpty() ? name : postedName;
    f.data = data;
    for (const QByteArray& body : ArticleFixtures::yencArticles(f.data, f.postedName.toUtf8(), partBytes)) {
        f.mids.append(
            QStringLiteral("%1.part%2@posted.test").arg(f.postedName).arg(f.mids.size() + 1).toUtf8());
        f.bodies.append(unstuffed(body));
    }
    return f;
}

void serve(ScriptedNntpServer& server, const PostedFile& file)
{
    for (qsizetype i = 0; i < file.mids.size(); ++i)
        server.addArticle(file.mids[i], file.bodies[i]);
}

bool postTo(quint16 port, const QString& group, const PostedFile& file, QString* error)
{
    NntpTestClient client(30000);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (!client.connectTo(port)) return fail(QStringLiteral("no connection to 127.0.0.1:%1").arg(port));
    const QByteArray greeting = client.readLine();
    if (!greeting.startsWith("200")) return fail(QStringLiteral("greeting: ") + QString::fromUtf8(greeting));
    for (qsizetype i = 0; i < file.mids.size(); ++i) {
        client.send("POST");
        const QByteArray go = client.readLine();
        if (!go.startsWith("340")) return fail(QStringLiteral("POST: ") + QString::fromUtf8(go));
        QByteArray article =
            "From: Poster <poster@example.invalid>\r\nNewsgroups: " + group.toUtf8() +
            "\r\nSubject: " + NzbFixture::subjectFor(file.postedName, 1, 1, int(file.mids.size())).toUtf8() +
            "\r\nMessage-ID: " + file.bracketedMid(i) + "\r\n\r\n";
        for (const QByteArray& line : file.bodies[i].split('\n')) {
            if (line.isEmpty()) continue;
            article += (line.startsWith('.') ? "." : "") + line + '\n';
        }
        article += ".\r\n";
        client.sendRaw(article);
        const QByteArray posted = client.readLine();
        if (!posted.startsWith("240"))
            return fail(
                QStringLiteral("%1: %2").arg(QString::fromUtf8(file.mids[i]), QString::fromUtf8(posted)));
    }
    client.send("QUIT");
    return true;
}

bool writeNzb(const QString& path, const QList<PostedFile>& files, const SegmentArrangement& arrange)
{
    NzbFixture nzb;
    int index = 1;
    for (const PostedFile& f : files) {
        NzbFixture::File file;
        file.subject = NzbFixture::subjectFor(f.postedName, index, int(files.size()), int(f.mids.size()));
        for (qsizetype i = 0; i < f.mids.size(); ++i)
            file.articles.append({f.bodies[i].size(), i + 1, QString::fromUtf8(f.mids[i])});
        if (arrange) arrange(index - 1, file.articles);
        ++index;
        nzb.addFile(file);
    }
    return nzb.write(path);
}

QList<PostedFile> makeFileWithPar2Set(const QString& folder, const QString& name, qint64 size,
                                      std::uint32_t seed, qint64 sliceBytes, int recoveryBlocks,
                                      qsizetype partBytes, QString* error)
{
    if (!Par2SetMaker::writeFiles(folder, {{name, size}}, seed)) return {};
    const QStringList par2 = Par2SetMaker::create(folder, QFileInfo(name).completeBaseName(), {name},
                                                  sliceBytes, recoveryBlocks, error);
    if (par2.isEmpty()) return {};
    QList<PostedFile> files{PostedFile::fromData(name, fileBytes(QDir(folder).filePath(name)), partBytes)};
    for (const QString& path : par2)
        files.append(PostedFile::fromData(QFileInfo(path).fileName(), fileBytes(path), partBytes));
    return files;
}

SegmentArrangement losingArticles(int file, const QList<int>& lost)
{
    return [file, lost](int index, QList<NzbFixture::Article>& articles) {
        if (index != file) return;
        for (int i : lost)
            if (i >= 0 && i < articles.size()) articles[i].mid = QStringLiteral("gone.") + articles[i].mid;
    };
}
