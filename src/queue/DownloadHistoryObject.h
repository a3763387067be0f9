#pragma once

#include <QString>
#include <QtGlobal>

// One remembered download: a file part's `fid` or a job's `qid`, and when it
// was recorded (seconds since 1970).
struct DownloadHistoryObject
{
    QString fid = QStringLiteral("");
    qint64 date = 0;
};
