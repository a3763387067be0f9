#include "nntp/NNTPArticleBuilder.h"

#include "core/Logger.h"
#include "core/SettingsRegistration.h"
#include "nntp/EncodedWords.h"
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

// Message-ID, Newsgroups and References: ids and names that are ASCII by
// their own syntax, where an encoded-word would mean nothing.
QByteArray header(const char* name, const QString& value)
{
    return QByteArray(name) + ": " + Yenc::headerSafeText(value).toUtf8() + "\r\n";
}

QByteArray subjectHeader(const QString& subject)
{
    return EncodedWords::unstructuredHeader(QLatin1String("Subject"), Yenc::headerSafeText(subject));
}

QByteArray fromHeader(const QString& poster)
{
    return EncodedWords::fromHeader(Yenc::headerSafeText(poster));
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
    // The headers are ASCII whatever was typed; the body alone decides its
    // character set.
    QByteArray headers = fromHeader(a.poster) + header("Newsgroups", a.groups) + subjectHeader(a.title);
    if (!a.references.isEmpty()) headers += header("References", a.references);
    const QString body = dotStuffed(a.textBody);
    const bool latin1 = isLatin1(body);
    headers += "MIME-Version: 1.0\r\n";
    headers += latin1 ? QByteArrayLiteral("Content-Type: text/plain; charset=ISO-8859-1\r\n")
                      : QByteArrayLiteral("Content-Type: text/plain; charset=UTF-8\r\n");
    headers += "Content-Transfer-Encoding: 8bit\r\n";
    headers += userAgent().toUtf8() + "\r\n\r\n";
    // The body ends with a line end (added only when it lacks one, so a body
    // that already ends its last line gets no extra empty line) and the
    // terminating line.
    const QString lineEnd = body.endsWith(QLatin1String("\r\n")) ? QString() : QStringLiteral("\r\n");
    const QString text = body + lineEnd + QStringLiteral(".\r\n");
    return headers + (latin1 ? text.toLatin1() : text.toUtf8());
}

QByteArray NNTPArticleBuilder::fileArticle(const FileArticle& a)
{
    QByteArray out = header("Message-ID", QLatin1Char('<') + a.mid + QLatin1Char('>'));
    out += fromHeader(a.poster) + header("Newsgroups", a.groups);
    if (!a.references.isEmpty()) out += header("References", a.references);
    out += subjectHeader(a.subject) + "\r\n";
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
