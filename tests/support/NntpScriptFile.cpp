#include "support/NntpScriptFile.h"

#include "support/ScriptedNntpServer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

bool failWith(QString* error, const QString& text)
{
    if (error) *error = text;
    return false;
}

QByteArray withLineEnd(const QByteArray& line)
{
    return line.endsWith("\r\n") ? line : line + "\r\n";
}

bool readFile(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failWith(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    *bytes = file.readAll();
    return true;
}

bool applyRule(ScriptedNntpServer& server, const QJsonObject& object, QString* error)
{
    const QString command = object.value(QLatin1String("command")).toString();
    if (command.isEmpty()) return failWith(error, QStringLiteral("a rule without \"command\""));
    NntpRule rule = NntpRule::on(command.toUtf8());
    rule.argument = object.value(QLatin1String("argument")).toString().toUtf8();
    rule.connection = object.value(QLatin1String("connection")).toInt(0);
    rule.remaining = object.value(QLatin1String("times")).toInt(-1);
    if (object.contains(QLatin1String("reply")))
        rule.replyBytes = withLineEnd(object.value(QLatin1String("reply")).toString().toUtf8());
    if (object.contains(QLatin1String("replyRaw")))
        rule.replyBytes = object.value(QLatin1String("replyRaw")).toString().toUtf8();
    rule.delayMs = object.value(QLatin1String("delayMs")).toInt(0);
    for (const QJsonValue& offset : object.value(QLatin1String("splitAt")).toArray())
        rule.splits.append(qsizetype(offset.toInteger()));
    rule.splitGapMs = object.value(QLatin1String("splitGapMs")).toInt(rule.splitGapMs);
    rule.limitBytes = object.value(QLatin1String("limitBytes")).toInteger(-1);
    rule.limitShare = object.value(QLatin1String("limitShare")).toDouble(-1);
    rule.dripMs = object.value(QLatin1String("dripMs")).toInt(0);
    if (object.contains(QLatin1String("stream"))) {
        const QJsonObject stream = object.value(QLatin1String("stream")).toObject();
        rule.thenStream(stream.value(QLatin1String("bytes")).toInteger(0),
                        stream.value(QLatin1String("lineEnds")).toBool(true) ? NntpRule::Fill::Lines
                                                                              : NntpRule::Fill::NoLineEnd,
                        stream.value(QLatin1String("tail")).toString().toUtf8());
    }
    const QString then = object.value(QLatin1String("then")).toString(QStringLiteral("continue"));
    if (then == QLatin1String("continue"))
        rule.then = NntpRule::Then::Continue;
    else if (then == QLatin1String("silent"))
        rule.then = NntpRule::Then::GoSilent;
    else if (then == QLatin1String("drop"))
        rule.then = NntpRule::Then::Drop;
    else if (then == QLatin1String("reset"))
        rule.then = NntpRule::Then::Reset;
    else
        return failWith(error, QStringLiteral("unknown \"then\": %1").arg(then));
    server.addRule(rule);
    return true;
}

} // namespace

bool NntpScriptFile::load(ScriptedNntpServer& server, const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (info.isDir()) return loadArticleFolder(server, path, error);
    QByteArray bytes;
    if (!readFile(path, &bytes, error)) return false;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (!document.isObject())
        return failWith(error,
                        QStringLiteral("%1 is not a JSON object: %2").arg(path, parseError.errorString()));
    return apply(server, document.object(), info.absoluteDir(), error);
}

bool NntpScriptFile::apply(ScriptedNntpServer& server, const QJsonObject& script, const QDir& base,
                           QString* error)
{
    if (script.contains(QLatin1String("greeting"))) {
        const QJsonObject greeting = script.value(QLatin1String("greeting")).toObject();
        server.setGreeting(greeting.value(QLatin1String("code")).toInt(200),
                           greeting.value(QLatin1String("text")).toString().toUtf8());
    }
    if (script.contains(QLatin1String("requireAuth")))
        server.setRequireAuth(script.value(QLatin1String("requireAuth")).toBool());
    if (script.contains(QLatin1String("postingAllowed")))
        server.setPostingAllowed(script.value(QLatin1String("postingAllowed")).toBool());
    if (script.contains(QLatin1String("connectionLimit"))) {
        const QJsonObject limit = script.value(QLatin1String("connectionLimit")).toObject();
        server.setConnectionLimit(
            limit.value(QLatin1String("limit")).toInt(0), limit.value(QLatin1String("code")).toInt(502),
            limit.value(QLatin1String("text")).toString(QStringLiteral("Too many connections")).toUtf8());
    }
    for (const QJsonValue& value : script.value(QLatin1String("accounts")).toArray()) {
        const QJsonObject object = value.toObject();
        NntpAccount account;
        account.user = object.value(QLatin1String("user")).toString().toUtf8();
        account.password = object.value(QLatin1String("password")).toString().toUtf8();
        account.maxConnections = object.value(QLatin1String("maxConnections")).toInt(0);
        if (object.contains(QLatin1String("refusal")))
            account.refusal = withLineEnd(object.value(QLatin1String("refusal")).toString().toUtf8());
        server.addAccount(account);
    }
    for (const QJsonValue& value : script.value(QLatin1String("articles")).toArray()) {
        const QJsonObject object = value.toObject();
        const QByteArray mid = object.value(QLatin1String("mid")).toString().toUtf8();
        if (mid.isEmpty()) return failWith(error, QStringLiteral("an article without \"mid\""));
        QByteArray body;
        if (object.contains(QLatin1String("file"))) {
            if (!readFile(base.filePath(object.value(QLatin1String("file")).toString()), &body, error))
                return false;
        } else if (object.contains(QLatin1String("bodyBase64"))) {
            body = QByteArray::fromBase64(object.value(QLatin1String("bodyBase64")).toString().toLatin1());
        } else {
            body = object.value(QLatin1String("body")).toString().toUtf8();
        }
        server.addArticle(mid, body);
    }
    if (script.contains(QLatin1String("articleFolder"))) {
        if (!loadArticleFolder(server, base.filePath(script.value(QLatin1String("articleFolder")).toString()),
                               error))
            return false;
    }
    for (const QJsonValue& value : script.value(QLatin1String("groups")).toArray()) {
        const QJsonObject object = value.toObject();
        const QString flag = object.value(QLatin1String("flag")).toString(QStringLiteral("y"));
        server.addGroup(object.value(QLatin1String("name")).toString().toUtf8(),
                        object.value(QLatin1String("last")).toInteger(0),
                        object.value(QLatin1String("first")).toInteger(0),
                        flag.isEmpty() ? 'y' : flag.at(0).toLatin1());
    }
    for (const QJsonValue& value : script.value(QLatin1String("rules")).toArray()) {
        if (!applyRule(server, value.toObject(), error)) return false;
    }
    return true;
}

bool NntpScriptFile::loadArticleFolder(ScriptedNntpServer& server, const QString& folder, QString* error)
{
    const QDir dir(folder);
    if (!dir.exists()) return failWith(error, QStringLiteral("no folder %1").arg(folder));
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        QByteArray body;
        if (!readFile(file.filePath(), &body, error)) return false;
        server.addArticle(file.fileName().toUtf8(), body);
    }
    return true;
}
