#include "core/FileUtils.h"

#include "core/Logger.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

QString FileUtils::truncateToUtf8Bytes(const QString& name, int maxBytes)
{
    if (name.toUtf8().size() <= maxBytes)
        return name;
    QString out;
    int bytes = 0;
    for (qsizetype i = 0; i < name.size();) {
        const bool pair = name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const QString ch = name.mid(i, pair ? 2 : 1);
        const int n = int(ch.toUtf8().size());
        if (bytes + n > maxBytes)
            break;
        out += ch;
        bytes += n;
        i += pair ? 2 : 1;
    }
    return out;
}

bool FileUtils::doesFolderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool FileUtils::doesFileExists(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && (info.exists() || info.isSymLink()) && !info.isDir();
}

QString FileUtils::createFolder(const QString& folder, bool allowAlternative)
{
    if (folder.isEmpty())
        return QString();
    const QFileInfo info(folder);
    const QString parent = info.path();
    QString name = info.fileName();
    if (name.toUtf8().size() > kMaxComponentBytes) {
        name = truncateToUtf8Bytes(name, kMaxComponentBytes);
        BLOG(1, "Folder truncated to:%@", QDir(parent).filePath(name));
    }
    QString path = name == info.fileName() ? folder : QDir(parent).filePath(name);
    const bool existed = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    if (existed && !allowAlternative)
        return path;
    if (existed && allowAlternative) {
        for (long n = 1; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n) {
            const QString suffix = QStringLiteral(".%1").arg(n);
            const QString base = truncateToUtf8Bytes(name, kMaxComponentBytes - int(suffix.toUtf8().size()));
            path = QDir(parent).filePath(base + suffix);
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (ec || !QFileInfo(path).isDir()) {
        BLOG(3, "Error creating folder:%@", QString::fromLocal8Bit(ec ? ec.message().c_str() : "not a folder"));
        BLOG(3, "Error code:%ld", long(ec ? ec.value() : EEXIST));
        return QString();
    }
    return path;
}
