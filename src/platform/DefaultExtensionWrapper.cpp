#include "platform/DefaultExtensionWrapper.h"

#include "core/StringFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int kToolTimeoutMs = 10000;
const QLatin1String kNZBType("application/x-nzb");
// The files the program ships (data/), built into it.
const QLatin1String kShippedDesktopEntry(":/desktop/binorama.desktop");
const QLatin1String kShippedMimeType(":/desktop/binorama-nzb.xml");

QString shippedFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void printToConsole(const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// Runs a desktop tool found on PATH and gives its standard output; false when
// it is missing, hangs or fails.
bool runTool(const QString& name, const QStringList& arguments, QString* output = nullptr)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) return false;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(kToolTimeoutMs)) return false;
    process.closeWriteChannel();
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output) *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString normalizedExtension(const QString& fileExtension)
{
    QString ext = fileExtension.trimmed();
    while (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    return ext;
}

// One argument of a desktop file's Exec line, quoted where the desktop entry
// rules require it; then escaped as a string value of the file.
QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString arg = argument;
    arg.replace(QLatin1Char('%'), QLatin1String("%%"));
    bool quote = arg.isEmpty();
    for (QChar c : arg)
        quote = quote || reserved.contains(c);
    if (quote) {
        QString quoted;
        for (QChar c : arg) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        arg = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    arg.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return arg;
}

struct DesktopEntry
{
    QStringList mimeTypes;
    bool hidden = false;
};

DesktopEntry readDesktopEntry(const QString& path)
{
    DesktopEntry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return entry;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("MimeType")) {
            for (const QString& t : value.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                entry.mimeTypes.append(t.trimmed().toLower());
        } else if (key == QLatin1String("Hidden")) {
            entry.hidden = value == QLatin1String("true");
        }
    }
    return entry;
}

// The desktop file ids of every application declaring `uti`. An id found in
// an earlier folder (the user's) hides the same id further on.
QStringList handlersForType(const QString& uti)
{
    QStringList handlers;
    if (uti.isEmpty()) return handlers;
    const QString wanted = uti.toLower();
    QSet<QString> seen;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        QStringList found;
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = QDir(dir).relativeFilePath(path);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id)) continue;
            seen.insert(id);
            const DesktopEntry entry = readDesktopEntry(path);
            if (!entry.hidden && entry.mimeTypes.contains(wanted)) found.append(id);
        }
        found.sort();
        handlers += found;
    }
    return handlers;
}

} // namespace

QString DefaultExtensionWrapper::applicationBundleIdentifier()
{
    return QStringLiteral("binorama.desktop");
}

QString DefaultExtensionWrapper::UTIforFileExtension(const QString& fileExtension)
{
    const QString ext = normalizedExtension(fileExtension);
    if (ext.isEmpty()) return QString();
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("x.") + ext, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault()) return type.name();
    // Known to us even where the system's MIME database is not.
    if (ext.compare(QLatin1String("nzb"), Qt::CaseInsensitive) == 0) return kNZBType;
    return QString();
}

QString DefaultExtensionWrapper::getDefaultBundleIdentifierForFileExtension(const QString& fileExtension)
{
    return getDefaultBundleIdentifierForUti(UTIforFileExtension(fileExtension));
}

bool DefaultExtensionWrapper::isBundleIdentifier(const QString& bundleIdentifier,
                                                 const QString& fileExtension)
{
    const QString current = getDefaultBundleIdentifierForFileExtension(fileExtension);
    return !current.isEmpty() && current == bundleIdentifier;
}

bool DefaultExtensionWrapper::makeBundleIdentifier(const QString& bundleIdentifier,
                                                   const QString& fileExtension)
{
    const QString uti = UTIforFileExtension(fileExtension);
    bool ok = !uti.isEmpty() && bundleIdentifier.endsWith(QLatin1String(".desktop"));
    if (ok && bundleIdentifier == applicationBundleIdentifier()) {
        ok = installDesktopEntry(QCoreApplication::applicationFilePath());
        if (ok && uti == kNZBType) installNZBMimeTypeIfMissing();
    }
    ok = ok && runTool(QStringLiteral("xdg-mime"), {QStringLiteral("default"), bundleIdentifier, uti}) &&
         getDefaultBundleIdentifierForUti(uti) == bundleIdentifier;
    if (!ok)
        printToConsole(sformat(u"%s Unable to set %@ as default for file extension %@", Q_FUNC_INFO,
                               bundleIdentifier, fileExtension));
    return ok;
}

QStringList DefaultExtensionWrapper::getSupportedBundleIdentifiersForExtension(const QString& fileExtension)
{
    return handlersForType(UTIforFileExtension(fileExtension));
}

QString DefaultExtensionWrapper::getDefaultBundleIdentifierForUti(const QString& uti)
{
    if (uti.isEmpty()) return QString();
    QString output;
    if (!runTool(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), uti},
                 &output))
        return QString();
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.first().trimmed();
}

QStringList DefaultExtensionWrapper::getSupportedBundleIdentifiersForUti(const QString& uti)
{
    const QStringList handlers = handlersForType(uti);
    printToConsole(sformat(u"%s %@", Q_FUNC_INFO, handlers));
    return handlers;
}

bool DefaultExtensionWrapper::installDesktopEntry(const QString& executable)
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    if (dir.isEmpty() || executable.isEmpty() || !QDir().mkpath(dir)) return false;
    QSaveFile file(QDir(dir).filePath(applicationBundleIdentifier()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    // The shipped entry, started from where this program is.
    QStringList lines = shippedFile(kShippedDesktopEntry).split(QLatin1Char('\n'));
    if (lines.size() < 2) return false;
    for (QString& line : lines)
        if (line.startsWith(QLatin1String("Exec=")))
            line = QStringLiteral("Exec=%1 %F").arg(execArgument(QFileInfo(executable).absoluteFilePath()));
    file.write(lines.join(QLatin1Char('\n')).toUtf8());
    if (!file.commit()) return false;
    // Desktops that read the folder's MIME cache see the entry at once.
    runTool(QStringLiteral("update-desktop-database"), {dir});
    return true;
}

bool DefaultExtensionWrapper::isMimeTypeInstalled(const QString& uti)
{
    if (uti.isEmpty()) return false;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        if (QFileInfo(QDir(dir).filePath(QStringLiteral("mime/") + uti + QStringLiteral(".xml"))).isFile())
            return true;
    }
    return false;
}

bool DefaultExtensionWrapper::installNZBMimeTypeIfMissing()
{
    if (isMimeTypeInstalled(kNZBType)) return true;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty()) return false;
    const QString mimeDir = QDir(dataHome).filePath(QStringLiteral("mime"));
    const QString packages = QDir(mimeDir).filePath(QStringLiteral("packages"));
    if (!QDir().mkpath(packages)) return false;
    QSaveFile file(QDir(packages).filePath(QStringLiteral("binorama-nzb.xml")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    const QByteArray definition = shippedFile(kShippedMimeType).toUtf8();
    if (definition.isEmpty()) return false;
    file.write(definition);
    if (!file.commit()) return false;
    runTool(QStringLiteral("update-mime-database"), {mimeDir});
    return isMimeTypeInstalled(kNZBType);
}
