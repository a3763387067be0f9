#include "postprocess/ObfuscatedController.h"

#include "core/FileOperations.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/SerialQueue.h"
#include "platform/UserDefaults.h"
#include "postprocess/JobTempFolder.h"
#include "postprocess/Par2Decoder.h"
#include "postprocess/Par2Utils.h"
#include "queue/Queue.h"
#include "queue/StatusCodes.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

bool isRegularFile(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString folderOf(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

QString lastComponent(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

ObfuscatedController::ObfuscatedController(const QueuePtr& job) : queue_(job)
{}

void ObfuscatedController::addOperation(SerialQueue& filenameControllerQueue, const QueuePtr& job)
{
    filenameControllerQueue.addOperation([job] { ObfuscatedController(job).main(); });
}

void ObfuscatedController::main()
{
    const QueuePtr job = queue_.lock();
    if (!job) return;
    job->setStatus(JobStatus::ObfuscationCheck);
    const QString downloadUrl = job->downloadUrl();
    if (downloadUrl.isEmpty()) {
        job->setStatus(JobStatus::ObfuscationCheckDone);
        return;
    }
    // An unset setting leaves the job folder itself; a setting that is not
    // one plain folder name ("..", a path) names no folder to work in.
    const bool unset = UserDefaults::standard().stringForKey(QStringLiteral("tempFolder")).isEmpty();
    tempFolderUrl_ = unset ? downloadUrl : JobTempFolder::pathForJob(downloadUrl);
    if (!tempFolderUrl_.isEmpty()) {
        const std::optional<QStringList> par2Files =
            FileUtils::getFilteredFolderContentFor(tempFolderUrl_, QStringLiteral("*.par2"), true);
        for (const QString& par2 : par2Files.value_or(QStringList())) {
            // A link or a special file could lead the reader anywhere, or
            // block it (a pipe).
            if (isRegularFile(par2)) processParFile(par2);
        }
    }
    job->setStatus(JobStatus::ObfuscationCheckDone);
}

QHash<QString, QString> ObfuscatedController::buildFileDictFromDict(const QVariantMap& fileList)
{
    QHash<QString, QString> names;
    for (const QVariant& entry : fileList.value(QStringLiteral("files")).toList()) {
        const QVariantMap file = entry.toMap();
        const QString md516k = file.value(QStringLiteral("md516k")).toString();
        const QString name = file.value(QStringLiteral("safeFilename")).toString();
        if (md516k.isEmpty() || name.isEmpty()) continue;
        names.insert(md516k, name);
    }
    return names;
}

QString ObfuscatedController::md516kFor(const QString& path)
{
    const auto cached = md516kCache_.constFind(path);
    if (cached != md516kCache_.constEnd()) return *cached;
    const QString digest = Par2Utils::MD516kStringForFile(path);
    md516kCache_.insert(path, digest);
    return digest;
}

void ObfuscatedController::processParFile(const QString& par2Path)
{
    Par2Decoder decoder;
    decoder.initWithUrl(par2Path);
    const std::optional<QVariantMap> fileList = decoder.getFileList();
    if (!fileList) return;
    const QHash<QString, QString> names = buildFileDictFromDict(*fileList);
    if (names.isEmpty() || mapsDone_.contains(names)) return;
    mapsDone_.append(names);

    for (const QString& item : FileUtils::recursiveFileScanForUrl(tempFolderUrl_)) {
        if (!isRegularFile(item)) continue;
        const QString md516k = md516kFor(item);
        if (md516k.isEmpty()) continue;
        const auto found = names.constFind(md516k);
        if (found == names.constEnd()) {
            BLOG(2, "%@ was not found in par2 file or md5 did not match.", item);
            continue;
        }
        const QString target = folderOf(item) + QLatin1Char('/') + *found;
        if (target == item) continue;
        if (renameFilepath(item, target)) md516kCache_.insert(target, md516kCache_.take(item));
    }
}

bool ObfuscatedController::renameFilepath(const QString& from, const QString& to)
{
    BLOG(1, "Renaming %@ => %@", lastComponent(from), lastComponent(to));
    if (const int err = FileOperations::moveNoReplace(from, to)) {
        BLOG(4, "%@ :: %@ => %@", qt_error_string(err), from, to);
        return false;
    }
    return true;
}
