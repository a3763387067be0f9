#include "postprocess/JobTempFolder.h"

#include "core/FileOperations.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kStagingPrefix = QStringLiteral(".extracting-");

bool isRealFolder(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

QString JobTempFolder::folderName()
{
    const QString name = UserDefaults::standard().stringForKey(QStringLiteral("tempFolder"));
    if (name.isEmpty() || FileUtils::safePathComponent(name, QString()) != name) return QString();
    return name;
}

QString JobTempFolder::pathForJob(const QString& downloadUrl)
{
    const QString name = folderName();
    if (downloadUrl.isEmpty() || name.isEmpty()) return QString();
    return downloadUrl + QLatin1Char('/') + name;
}

QString JobTempFolder::createStagingFolder(const QString& tempFolder)
{
    if (tempFolder.isEmpty() || !isRealFolder(tempFolder)) return QString();
    QByteArray pattern = QFile::encodeName(tempFolder + QLatin1Char('/') + kStagingPrefix) + "XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        BLOG(3, "Error creating folder:%@", QFile::decodeName(pattern));
        return QString();
    }
    return QFile::decodeName(pattern);
}

bool JobTempFolder::isStagingFolderName(const QString& name)
{
    return name.startsWith(kStagingPrefix);
}

void JobTempFolder::deleteTempFolder(const QString& downloadUrl)
{
    const QString temp = pathForJob(downloadUrl);
    if (temp.isEmpty() || !isRealFolder(temp)) return;
    if (!removeStagingFolders(temp)) ::rmdir(QFile::encodeName(temp).constData());
}

bool JobTempFolder::removeStagingFolders(const QString& tempFolder)
{
    if (tempFolder.isEmpty() || !isRealFolder(tempFolder)) return false;
    const QStringList names =
        QDir(tempFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    bool somethingElse = false;
    for (const QString& name : names) {
        if (isStagingFolderName(name))
            FileOperations::removeTree(tempFolder + QLatin1Char('/') + name);
        else
            somethingElse = true;
    }
    return somethingElse;
}
