#pragma once

#include "postprocess/ArchiveExtractor.h"

#include <QString>
#include <QStringList>

// An extractor run with 7-Zip (Debian's 7zz), for 7z and zip archives: how
// the tool is called and how its texts map onto the outcomes of an
// extraction. Un7z and UnZip derive from it and add only their archive list,
// log line and report.
class SevenZipTool : public ArchiveExtractor
{
public:
    static QString toolName() { return QStringLiteral("7zz"); }

protected:
    SevenZipTool();
    // x, the password ("-p<password>", or "-p-" for none), progress on
    // standard output, yes to every question, symbolic links not made, the
    // destination, the archive.
    QStringList arguments(const QString& archivePath, const QString& destination,
                          const QString& password) const override;
    const ToolOutputTable& stopTable() const override;
    const ToolOutputTable& commentTable() const override;
    QString successPattern() const override { return QStringLiteral("*Everything is Ok*"); }
};
