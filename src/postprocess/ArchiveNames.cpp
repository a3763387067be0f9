#include "postprocess/ArchiveNames.h"

#include "core/FileUtils.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

// Among the folder's files matching `pattern` (group 1 the number), the one
// with the lowest number; empty when none.
QString lowestNumbered(const QString& folder, const QRegularExpression& pattern)
{
    const std::optional<QStringList> entries = FileUtils::getFolderContentFor(folder);
    if (!entries) return QString();
    QString best, bestNumber;
    for (const QString& entry : *entries) {
        const QString name = QFileInfo(entry).fileName();
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch() || !QFileInfo(entry).isFile()) continue;
        if (best.isEmpty() || ArchiveNames::digitsLess(m.captured(1), bestNumber)) {
            best = name;
            bestNumber = m.captured(1);
        }
    }
    return best;
}

QString presentWithAnyCase(const QString& folder, const QString& wanted)
{
    const std::optional<QStringList> entries = FileUtils::getFolderContentFor(folder);
    if (!entries) return QString();
    QString caseInsensitive;
    for (const QString& entry : *entries) {
        const QString name = QFileInfo(entry).fileName();
        if (!QFileInfo(entry).isFile()) continue;
        if (name == wanted) return name;
        if (caseInsensitive.isEmpty() && name.compare(wanted, Qt::CaseInsensitive) == 0)
            caseInsensitive = name;
    }
    return caseInsensitive;
}

} // namespace

QString ArchiveNames::displayName(const QString& archiveName)
{
    static const QRegularExpression part(QStringLiteral("\\.part\\d+$"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString name = archiveName;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) name.truncate(dot);
    name.remove(part);
    return name;
}

QString ArchiveNames::firstVolume(const QString& folder, const QString& name)
{
    static const QRegularExpression partN(QStringLiteral("^(.*)\\.part(\\d+)\\.rar$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression oldStyle(QStringLiteral("^(.*)\\.(rar|r\\d{2,3})$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression numbered(QStringLiteral("^(.*)\\.(\\d{3,})$"));
    if (folder.isEmpty() || name.isEmpty()) return name;

    if (const QRegularExpressionMatch m = partN.match(name); m.hasMatch()) {
        const QRegularExpression sibling(
            QStringLiteral("^%1\\.part(\\d+)\\.rar$").arg(QRegularExpression::escape(m.captured(1))),
            QRegularExpression::CaseInsensitiveOption);
        const QString first = lowestNumbered(folder, sibling);
        return first.isEmpty() ? name : first;
    }
    if (const QRegularExpressionMatch m = oldStyle.match(name); m.hasMatch()) {
        const QString first = presentWithAnyCase(folder, m.captured(1) + QStringLiteral(".rar"));
        return first.isEmpty() ? name : first;
    }
    if (const QRegularExpressionMatch m = numbered.match(name); m.hasMatch()) {
        const QRegularExpression sibling(
            QStringLiteral("^%1\\.(\\d{3,})$").arg(QRegularExpression::escape(m.captured(1))),
            QRegularExpression::CaseInsensitiveOption);
        const QString first = lowestNumbered(folder, sibling);
        return first.isEmpty() ? name : first;
    }
    return name;
}

bool ArchiveNames::isPayloadContainer(const QString& name)
{
    static const QSet<QString> extensions = {
        QStringLiteral("cbz"),  QStringLiteral("cbr"),  QStringLiteral("cb7"),  QStringLiteral("cbt"),
        QStringLiteral("jar"),  QStringLiteral("apk"),  QStringLiteral("epub"), QStringLiteral("docx"),
        QStringLiteral("docm"), QStringLiteral("xlsx"), QStringLiteral("xlsm"), QStringLiteral("pptx"),
        QStringLiteral("pptm"), QStringLiteral("odt"),  QStringLiteral("ods"),  QStringLiteral("odp"),
        QStringLiteral("odg"),
    };
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return false;
    return extensions.contains(name.mid(dot + 1).toLower());
}

// Compared without overflow: by length once leading zeros are gone, then by
// text.
bool ArchiveNames::digitsLess(const QString& a, const QString& b)
{
    auto strip = [](const QString& s) {
        qsizetype i = 0;
        while (i + 1 < s.size() && s[i] == QLatin1Char('0'))
            ++i;
        return s.mid(i);
    };
    const QString x = strip(a), y = strip(b);
    if (x.size() != y.size()) return x.size() < y.size();
    return x < y;
}
