#pragma once

#include "postprocess/ArchiveExtractor.h"

// Extracts the first archive of a job's `rarfiles` (RAR 4 and 5, volumes in
// both namings) with unar, Debian's RAR reader. With the setting
// "enableRecursiveExtraction" off, the archive's folders are dropped and
// every file lands at the top of the temporary folder.
//
// unar cannot tell a wrong password from damaged data or a missing volume
// ("Wrong checksum" for all), so its lister is asked whether the archive is
// encrypted: only then is the failure "Corrupt file or wrong password." and
// JobStatus::CorruptFileOrWrongPassword; an archive without encryption is corrupt. It prints no
// percentage.
class UnRar : public ArchiveExtractor
{
public:
    static std::shared_ptr<UnRar> create();
    QString rarfile() const { return archiveFile(); }

    static const ToolOutputTable& unarStopTable();
    static const ToolOutputTable& unarCommentTable();

protected:
    UnRar();
    QStringList archiveList(const Queue& job) const override;
    QStringList arguments(const QString& archivePath, const QString& destination,
                          const QString& password) const override;
    const ToolOutputTable& stopTable() const override { return unarStopTable(); }
    const ToolOutputTable& commentTable() const override { return unarCommentTable(); }
    QString successPattern() const override { return QStringLiteral("*Successfully extracted to*"); }
    bool percentageAtChunkEndOnly() const override { return true; }
    bool flattensPaths() const override;
    QString archiveLogFormat() const override { return QStringLiteral(" * RAR file\t\t: %@"); }
    void reportResult(FileRepairExtractDelegate& controller, bool result) override;
};
