#pragma once

#include "postprocess/ToolOutputTable.h"

#include <QString>
#include <QStringList>

// How 7-Zip (Debian's 7zz) is run for 7z and zip archives, and how its texts
// map onto the outcomes of an extraction. Shared by Un7z and UnZip, which
// differ only in their archive list, log line and report.
class SevenZipTool
{
public:
    static QString toolName() { return QStringLiteral("7zz"); }
    // x, the password ("-p<password>", or "-p-" for none), progress on
    // standard output, yes to every question, symbolic links not made, the
    // destination, the archive.
    static QStringList arguments(const QString& archivePath, const QString& destination,
                                 const QString& password);
    static const ToolOutputTable& stopTable();
    static const ToolOutputTable& commentTable();
    static QString successPattern() { return QStringLiteral("*Everything is Ok*"); }
};
