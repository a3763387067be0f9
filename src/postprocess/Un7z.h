#pragma once

#include "postprocess/ArchiveExtractor.h"

// Extracts the first archive of a job's `z7files` with 7zz.
class Un7z : public ArchiveExtractor
{
public:
    static std::shared_ptr<Un7z> create();
    QString z7file() const { return archiveFile(); }

protected:
    Un7z();
    QStringList archiveList(const Queue& job) const override;
    QStringList arguments(const QString& archivePath, const QString& destination,
                          const QString& password) const override;
    const ToolOutputTable& stopTable() const override;
    const ToolOutputTable& commentTable() const override;
    QString successPattern() const override;
    QString archiveLogFormat() const override { return QStringLiteral(" * 7z file\t\t: %@"); }
    void reportResult(FileRepairExtractDelegate& controller, bool result) override;
};
