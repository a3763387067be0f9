#pragma once

#include "posting/UploadFileItem.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The files to upload: the rows the user added (files and folders, sorted
// by name) and the upload list they give. A file reached twice (alone and
// through its folder, or through two folders) is uploaded and counted once.
// No widgets: the compose window shows it. Main thread.
class UploadFileList
{
public:
    // Adds each path not already listed; folders are scanned at any depth,
    // hidden files included. Returns the number of rows added.
    int addFilesFromArray(const QStringList& paths);
    // Removes the rows at `rows` (indexes into rows()) and rebuilds the
    // upload list from the rows that stay.
    void removeRows(QList<int> rows);

    const QList<UploadFileItem>& rows() const { return rows_; }
    const QStringList& absoluteFileUrls() const { return absoluteFileUrls_; }
    double totalBytes() const { return totalBytes_; }
    double totalFiles() const { return double(absoluteFileUrls_.size()); }
    // "%.0f files / %@".
    QString totalsText() const;

private:
    void appendUpload(const QString& file, qint64 size);

    QList<UploadFileItem> rows_;
    QSet<QString> rowUrls_;
    QStringList absoluteFileUrls_;
    QSet<QString> uploadSet_;
    QHash<QString, qint64> sizes_;
    double totalBytes_ = 0;
};
