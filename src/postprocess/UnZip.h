#pragma once

#include "postprocess/SevenZipTool.h"

// Extracts the first archive of a job's `zipfiles` with 7zz.
class UnZip : public SevenZipTool
{
public:
    static std::shared_ptr<UnZip> create();
    QString zipfile() const { return archiveFile(); }

protected:
    UnZip() = default;
    QStringList archiveList(const Queue& job) const override;
    QString archiveLogFormat() const override { return QStringLiteral(" * ZIP file\t\t: %@"); }
    void reportResult(FileRepairExtractDelegate& controller, bool result) override;
};
