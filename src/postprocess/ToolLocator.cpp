#include "postprocess/ToolLocator.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace {

QMutex& lock()
{
    static QMutex m;
    return m;
}

QString& overrideFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString ToolLocator::helpersFolder()
{
    {
        QMutexLocker locker(&lock());
        if (!overrideFolder().isEmpty()) return overrideFolder();
    }
    return QCoreApplication::applicationDirPath() + QStringLiteral("/helpers");
}

void ToolLocator::setHelpersFolder(const QString& folder)
{
    QMutexLocker locker(&lock());
    overrideFolder() = folder;
}

QString ToolLocator::pathForTool(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return QString();
    const QFileInfo helper(helpersFolder() + QLatin1Char('/') + name);
    if (helper.isFile() && helper.isExecutable()) return helper.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}
