#include "posting/UploadFileList.h"

#include "core/FileUtils.h"
#include "core/StringFormat.h"
#include "core/Utils.h"

#include <QFileInfo>

#include <algorithm>

int UploadFileList::addFilesFromArray(const QStringList& paths)
{
    int added = 0;
    for (const QString& path : paths) {
        if (path.isEmpty() || uploadSet_.contains(path) || rowUrls_.contains(path)) continue;
        UploadFileItem row;
        row.fileUrl = path;
        row.filename = QFileInfo(path).fileName();
        if (FileUtils::doesFolderExists(path)) {
            row.isFolder = true;
            row.files = FileUtils::recursiveFileScanForUrl(path);
            for (const QString& file : row.files) {
                const qint64 size = qMax<qint64>(0, FileUtils::getFileSizeForFile(file));
                row.bytes += double(size);
                appendUpload(file, size);
            }
            row.totalFiles = row.files.size();
        } else {
            const qint64 size = qMax<qint64>(0, FileUtils::getFileSizeForFile(path));
            row.files = {path};
            row.bytes = double(size);
            row.totalFiles = 1;
            appendUpload(path, size);
        }
        rowUrls_.insert(path);
        rows_.append(row);
        ++added;
    }
    if (added)
        std::stable_sort(rows_.begin(), rows_.end(),
                         [](const UploadFileItem& a, const UploadFileItem& b) { return a.filename < b.filename; });
    return added;
}

void UploadFileList::appendUpload(const QString& file, qint64 size)
{
    if (uploadSet_.contains(file)) return;
    uploadSet_.insert(file);
    sizes_.insert(file, size);
    absoluteFileUrls_.append(file);
    totalBytes_ += double(size);
}

void UploadFileList::removeRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows) {
        if (row < 0 || row >= rows_.size()) continue;
        rowUrls_.remove(rows_[row].fileUrl);
        rows_.removeAt(row);
    }
    const QHash<QString, qint64> sizes = sizes_;
    absoluteFileUrls_.clear();
    uploadSet_.clear();
    sizes_.clear();
    totalBytes_ = 0;
    for (const UploadFileItem& row : rows_)
        for (const QString& file : row.files)
            appendUpload(file, sizes.value(file));
}

QString UploadFileList::totalsText() const
{
    return sformat(u"%.0f files / %@", totalFiles(), Utils::formatBytes(totalBytes_));
}
