#pragma once

#include "postprocess/ToolOutputTable.h"
#include "postprocess/ToolWorker.h"

// The frame the three extractors share (UnRar, Un7z, UnZip): one run
// extracts the first archive of the job's list for its kind.
//
// The tool writes into a staging folder of its own inside the job's temporary
// folder (JobTempFolder), with the staging folder as its working folder and
// an environment of only LC_CTYPE=UTF-8. Only a successful run moves what it
// extracted into the temporary folder, never over what is there; any other
// end removes the staging folder, so a failed run (a nested one too) takes
// nothing away that an earlier run extracted. A staging folder left by a run
// that was cut short (a crash, a kill) is removed before the next run, and
// a file that such a run had already moved in is not doubled when the
// archive is extracted again. Before the move, symbolic links
// and other special files from the archive are removed: nothing extracted can
// lead outside the job folder.
//
// Packed documents, books and programs (ArchiveNames::isPayloadContainer)
// are the download itself: they are not unpacked, and the run reports success
// so that the job goes on.
class ArchiveExtractor : public ToolWorker
{
public:
    // What a row of a result table does.
    enum Action {
        DiskFailure,   // the job is paused as disk-not-ready
        WrongPassword, // JobStatus::CorruptFileOrWrongPassword
        Corrupt,       // failure; the status is left to the runner
        // The tool says the same for damage, a wrong password and a missing
        // volume: WrongPassword when the archive is encrypted (or nobody can
        // tell), else Corrupt with the comment "The archive is corrupt."
        DamageOrPassword,
        Comment,       // a row of the second table: only its comment
    };

    // The archive being extracted, relative to the job's download folder.
    QString archiveFile() const;

protected:
    explicit ArchiveExtractor(QString toolName);

    // --- What a kind of extractor is ---
    virtual QStringList archiveList(const Queue& job) const = 0;
    virtual QStringList arguments(const QString& archivePath, const QString& destination,
                                  const QString& password) const = 0;
    // Rows that end the run as a failure; then rows that only comment.
    virtual const ToolOutputTable& stopTable() const = 0;
    virtual const ToolOutputTable& commentTable() const = 0;
    virtual QString successPattern() const = 0;
    // Whether a percentage is taken only from a chunk that ends in "%".
    virtual bool percentageAtChunkEndOnly() const { return false; }
    // Whether folders inside the archive are dropped (files at the top).
    virtual bool flattensPaths() const { return false; }
    virtual QString archiveLogFormat() const = 0;
    virtual void reportResult(FileRepairExtractDelegate& controller, bool result) = 0;

    Start prepare() override;
    void updatePercentage(const QString& chunk) override;
    void handleFinalResult() override;
    void afterResult() override;
    void logResult() override;
    void report(FileRepairExtractDelegate& controller) override;
    void onCancel() override;

private:
    void updateStatusTo(qint64 status);
    void extracted(qint64 percent);
    bool moveStagedFiles();
    // What a DamageOrPassword row comes to for the archive being extracted.
    Action damageOrPassword() const;

    QString toolName_;
    mutable QMutex fieldsLock_;
    QString archiveFile_;
    QString archivePath_;
    QString tempFolder_;
    QString staging_;
};
