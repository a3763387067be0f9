#pragma once

#include <QString>
#include <QStringList>

// One row of the compose window's file list: a file, or a folder with the
// files found under it when it was added.
struct UploadFileItem
{
    bool checkbox = true;
    QString filename; // last path component
    QString fileUrl;  // the file or folder added
    double bytes = 0;
    qint64 totalFiles = 0;
    bool isFolder = false;
    QStringList files; // what this row uploads: the file, or the folder's files
};
