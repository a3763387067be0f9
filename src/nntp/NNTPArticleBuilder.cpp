#include "nntp/NNTPArticleBuilder.h"

#include "core/Logger.h"
#include "core/SettingsRegistration.h"
#include "platform/UserDefaults.h"
#include "posting/Yenc.h"

#include <QStringList>

namespace {

bool isLatin1(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) return false;
    }
    return true;
}

QString header(const char* name, const QString& value)
{
    return QLatin1String(name) + QStringLiteral(": ") + Yenc::headerSafeText(value) + QStringLiteral("\r\n");
}

} // namespace

QString NNTPArticleBuilder::userAgent()
{
    const UserDefaults& defaults = UserDefaults::standard();
    return sformat(u"User-Agent: Binorama v%@ build:%@ Linux (%s)",
                   defaults.stringForKey(QStringLiteral("appVersionNr")),
                   defaults.stringForKey(QStringLiteral("appBuildNr")), SettingsRegistration::kWebHost);
}

QString NNTPArticleBuilder::dotStuffed(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.startsWith(QLatin1Char('.'))) line.prepend(QLatin1Char('.'));
    }
    return lines.join(QStringLiteral("\r\n"));
}

QByteArray NNTPArticleBuilder::textArticle(const TextArticle& a)
{
    QString headers = header("From", a.poster) + header("Newsgroups", a.groups) + header("Subject", a.title);
    if (!a.references.isEmpty()) headers += header("References", a.references);
    const QString body = dotStuffed(a.textBody);
    const bool latin1 = isLatin1(headers) && isLatin1(body);
    headers += QStringLiteral("MIME-Version: 1.0\r\n");
    headers += latin1 ? QStringLiteral("Content-Type: text/plain; charset=ISO-8859-1\r\n")
                      : QStringLiteral("Content-Type: text/plain; charset=UTF-8\r\n");
    headers += QStringLiteral("Content-Transfer-Encoding: 8bit\r\n");
    headers += userAgent() + QStringLiteral("\r\n\r\n");
    // The body ends with a line end (added only when it lacks one, so a body
    // that already ends its last line gets no extra empty line) and the
    // terminating line.
    const QString lineEnd = body.endsWith(QLatin1String("\r\n")) ? QString() : QStringLiteral("\r\n");
    const QString whole = headers + body + lineEnd + QStringLiteral(".\r\n");
    return latin1 ? whole.toLatin1() : whole.toUtf8();
}

QByteArray NNTPArticleBuilder::fileArticle(const FileArticle& a)
{
    QString headers = QStringLiteral("Message-ID: <") + Yenc::headerSafeText(a.mid) + QStringLiteral(">\r\n");
    headers += header("From", a.poster) + header("Newsgroups", a.groups);
    if (!a.references.isEmpty()) headers += header("References", a.references);
    headers += header("Subject", a.subject) + QStringLiteral("\r\n");

    QByteArray out = headers.toUtf8();
    out.reserve(out.size() + a.filedata.size() + 5);
    out += a.filedata;
    if (!a.filedata.endsWith("\r\n")) {
        BLOG(2, "Posting data doesn't end with CRLF. length:%lld - %@", qint64(a.filedata.size()),
             QString::fromLatin1(a.filedata.right(10)));
        out += "\r\n";
    }
    out += ".\r\n";
    return out;
}
