#pragma once

#include "postprocess/ArchiveExtractor.h"

// Extracts the first archive of a job's `zipfiles` with 7zz.
class UnZip : public ArchiveExtractor
{
public:
    static std::shared_ptr<UnZip> create();
    QString zipfile() const { return archiveFile(); }

protected:
    UnZip();
    QStringList archiveList(const Queue& job) const override;
    QStringList arguments(const QString& archivePath, const QString& destination,
                          const QString& password) const override;
    const ToolOutputTable& stopTable() const override;
    const ToolOutputTable& commentTable() const override;
    QString successPattern() const override;
    QString archiveLogFormat() const override { return QStringLiteral(" * ZIP file\t\t: %@"); }
    void reportResult(FileRepairExtractDelegate& controller, bool result) override;
};
