#pragma once

#include "postprocess/SevenZipTool.h"

// Extracts the first archive of a job's `z7files` with 7zz.
class Un7z : public SevenZipTool
{
public:
    static std::shared_ptr<Un7z> create();
    QString z7file() const { return archiveFile(); }

protected:
    Un7z() = default;
    QStringList archiveList(const Queue& job) const override;
    QString archiveLogFormat() const override { return QStringLiteral(" * 7z file\t\t: %@"); }
    void reportResult(FileRepairExtractDelegate& controller, bool result) override;
};
