#include "postprocess/ArchiveExtractor.h"

#include "core/FileOperations.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/WildcardPattern.h"
#include "postprocess/ArchiveLister.h"
#include "postprocess/ArchiveNames.h"
#include "postprocess/JobTempFolder.h"
#include "postprocess/ToolLocator.h"
#include "queue/Queue.h"
#include "queue/StatusCodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList entriesOf(const QString& folder)
{
    QStringList out;
    const QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& n : names)
        out.append(folder + QLatin1Char('/') + n);
    return out;
}

bool lstatMode(const QString& path, mode_t* mode)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
    *mode = st.st_mode;
    return true;
}

// Removes everything below `folder` that is neither a real folder nor a
// regular file: symbolic links (which could lead anywhere) and special files.
void removeLinksAndSpecialFiles(const QString& folder)
{
    for (const QString& path : FileUtils::recursiveFileScanForUrl(folder)) {
        mode_t mode = 0;
        if (!lstatMode(path, &mode) || S_ISREG(mode)) continue;
        BLOG(1, "Removed from the extracted files (not a regular file) :: %@", QFileInfo(path).fileName());
        ::unlink(QFile::encodeName(path).constData());
    }
}

// Moves `source` to `target` or, when that name is taken, to a free
// alternative beside it; never replaces anything.
bool moveToFreeName(const QString& source, const QString& target)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString free = FileUtils::createAlternativeFilenameFor(target);
        if (free.isEmpty()) return false;
        if (FileUtils::renameFilenameFromUrl(source, free, false)) return true;
    }
    return false;
}

// Moves the contents of `from` into `into`: folders that exist on both sides
// are merged, a taken file name gives a numbered alternative unless the file
// there has the same bytes.
bool mergeInto(const QString& from, const QString& into)
{
    bool ok = true;
    for (const QString& entry : entriesOf(from)) {
        const QString target = into + QLatin1Char('/') + QFileInfo(entry).fileName();
        mode_t sourceMode = 0, targetMode = 0;
        if (!lstatMode(entry, &sourceMode)) continue;
        if (!lstatMode(target, &targetMode)) {
            ok = FileUtils::renameFilenameFromUrl(entry, target, false) && ok;
        } else if (S_ISDIR(sourceMode) && S_ISDIR(targetMode)) {
            ok = mergeInto(entry, target) && ok;
        } else if (S_ISREG(sourceMode) && FileOperations::sameContent(entry, target)) {
            // Extracted before by a run of this job that was cut short (the
            // program ended before the job moved on): one copy is kept.
            ::unlink(QFile::encodeName(entry).constData());
        } else {
            ok = moveToFreeName(entry, target) && ok;
        }
    }
    return ok;
}

// Every file of the tree moved to the top of `folder`, the folders removed.
bool flatten(const QString& folder)
{
    bool ok = true;
    for (const QString& path : FileUtils::recursiveFileScanForUrl(folder)) {
        if (QFileInfo(path).absolutePath() == QFileInfo(folder).absoluteFilePath()) continue;
        ok = moveToFreeName(path, folder + QLatin1Char('/') + QFileInfo(path).fileName()) && ok;
    }
    QStringList folders = FileUtils::recursiveFolderScanForUrl(folder);
    std::reverse(folders.begin(), folders.end());
    for (const QString& f : folders)
        ::rmdir(QFile::encodeName(f).constData());
    return ok;
}

} // namespace

ArchiveExtractor::ArchiveExtractor(QString toolName) : ToolWorker(toolName), toolName_(std::move(toolName))
{}

QString ArchiveExtractor::archiveFile() const
{
    QMutexLocker locker(&fieldsLock_);
    return archiveFile_;
}

void ArchiveExtractor::onCancel()
{
    setCancelled();
}

void ArchiveExtractor::updateStatusTo(qint64 status)
{
    if (const QueuePtr job = queue()) onMainAndWait([job, status] { job->setStatus(status); });
}

void ArchiveExtractor::extracted(qint64 percent)
{
    if (const QueuePtr job = queue()) job->setPercentExtracted(percent);
}

ToolWorker::Start ArchiveExtractor::prepare()
{
    const QueuePtr job = queue();
    const QStringList list = job ? archiveList(*job) : QStringList();
    if (list.isEmpty()) return Start::ReportNow;
    const QString listed = list.first();
    {
        QMutexLocker locker(&fieldsLock_);
        archiveFile_ = listed;
    }
    comment(sformat(u"Extracting: %@", ArchiveNames::displayName(listed)));

    if (ArchiveNames::isPayloadContainer(listed)) {
        BLOG(1, "Not extracted: %@ is the download itself, not an archive to unpack.", listed);
        setResult(true);
        return Start::ReportNow;
    }

    const QString folder = job->downloadUrl();
    // A listed name is one file of the job folder, never a path.
    const bool plainName = FileUtils::safePathComponent(listed, QString()) == listed;
    const QString temp = JobTempFolder::pathForJob(folder);
    QString problem;
    if (folder.isEmpty() || !plainName)
        problem = sformat(u"Unusable archive name or job folder: %@", listed);
    else if (temp.isEmpty())
        problem = QStringLiteral("The setting tempFolder does not name a folder.");
    else if (FileUtils::createFolder(temp, false).isEmpty() || !QFileInfo(temp).isDir() ||
             QFileInfo(temp).isSymLink())
        problem = sformat(u"Error creating folder:%@", temp);
    QString staging;
    if (problem.isEmpty()) {
        // A run cut short left its half-extracted files behind; they are not
        // what this run makes.
        JobTempFolder::removeStagingFolders(temp);
        staging = JobTempFolder::createStagingFolder(temp);
        if (staging.isEmpty()) problem = sformat(u"Error creating folder:%@", temp);
    }
    if (!problem.isEmpty()) {
        BLOG(3, "%@", problem);
        updateStatusTo(JobStatus::ExtractingNotPossible);
        cancelTask();
        return Start::ReportNow;
    }
    const QString first = ArchiveNames::firstVolume(folder, listed);
    if (first != listed) {
        QMutexLocker locker(&fieldsLock_);
        archiveFile_ = first;
    }
    {
        QMutexLocker locker(&fieldsLock_);
        tempFolder_ = temp;
        staging_ = staging;
        archivePath_ = folder + QLatin1Char('/') + first;
    }
    if (isCancelled()) {
        FileOperations::removeTree(staging);
        return Start::ReportNow;
    }

    const QString password = job->hasPassword() ? job->password() : QString();
    Launch& l = launch();
    l.program = ToolLocator::pathForTool(toolName_);
    l.arguments = arguments(folder + QLatin1Char('/') + first, staging, password);
    l.ownEnvironment = true;
    l.environment = QProcessEnvironment();
    l.environment.insert(QStringLiteral("LC_CTYPE"), QStringLiteral("UTF-8"));
    l.workingDirectory = staging;
    return Start::Run;
}

void ArchiveExtractor::updatePercentage(const QString& chunk)
{
    if (isCancelled()) cancelTask();
    static const QRegularExpression atEnd(QStringLiteral("(\\d+)%$"));
    static const QRegularExpression anywhere(QStringLiteral("(\\d+)%"));
    QRegularExpressionMatch m;
    if (percentageAtChunkEndOnly()) {
        if (!chunk.endsWith(QLatin1Char('%'))) return;
        m = atEnd.match(chunk);
    } else {
        m = anywhere.match(chunk);
    }
    if (m.hasMatch()) extracted(std::clamp<qint64>(m.captured(1).right(3).toLongLong(), 0, 100));
}

void ArchiveExtractor::handleFinalResult()
{
    setResult(false);
    if (isCancelled()) {
        comment(QStringLiteral("Extraction cancelled."));
        cancelTask();
    }
    const std::u32string output = ToolOutputTable::fold(completeOutput());
    if (const ToolOutputTable::Row* stop = stopTable().firstMatchFolded(output)) {
        Action action = Action(stop->action);
        QString text = stop->comment;
        if (action == DamageOrPassword) {
            action = damageOrPassword();
            if (action == Corrupt) text = QStringLiteral("The archive is corrupt.");
        }
        comment(text);
        switch (action) {
        case DiskFailure:
            diskNOK();
            break;
        case WrongPassword:
        case DamageOrPassword:
            updateStatusTo(JobStatus::CorruptFileOrWrongPassword);
            cancelTask();
            break;
        case Corrupt:
        case Comment:
            cancelTask();
            break;
        }
        return;
    }
    if (const ToolOutputTable::Row* info = commentTable().firstMatchFolded(output)) comment(info->comment);
    if (WildcardPattern(successPattern()).matchesFolded(output)) {
        comment(QStringLiteral("Extraction complete."));
        setResult(true);
    }
}

ArchiveExtractor::Action ArchiveExtractor::damageOrPassword() const
{
    QString path;
    {
        QMutexLocker locker(&fieldsLock_);
        path = archivePath_;
    }
    // Only an archive known to hold no encryption is judged damaged: asking
    // for a password is what the user can act on when nobody can tell.
    if (!path.isEmpty() && ArchiveLister::encryptionOf(path) == ArchiveLister::Encryption::NotEncrypted)
        return Corrupt;
    return WrongPassword;
}

void ArchiveExtractor::afterResult()
{
    QString staging, temp;
    {
        QMutexLocker locker(&fieldsLock_);
        staging = staging_;
        temp = tempFolder_;
    }
    if (staging.isEmpty()) return;
    if (result()) {
        removeLinksAndSpecialFiles(staging);
        bool moved = !flattensPaths() || flatten(staging);
        moved = mergeInto(staging, temp) && moved;
        if (!moved) {
            BLOG(3, "Could not move all extracted files into %@", temp);
            comment(QStringLiteral("Read/Write error."));
            setResult(false);
        }
    }
    FileOperations::removeTree(staging);
}

void ArchiveExtractor::logResult()
{
    BLOG(0, "-");
    BLOG(0, "Extract result :: %@", jobTitle());
    BLOG(0, "-");
    BLOG(0, archiveLogFormat(), archiveFile());
    BLOG(0, " * Result\t\t: %@", resultString());
    BLOG(0, " * Extract time\t: %.02f seconds.", elapsedSeconds());
    BLOG(0, "-");
}

void ArchiveExtractor::report(FileRepairExtractDelegate& controller)
{
    reportResult(controller, result());
}
