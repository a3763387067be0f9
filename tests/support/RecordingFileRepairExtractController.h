#pragma once

#include "postprocess/FileRepairExtractDelegate.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Stands in for the post-processing runner: records every report of a
// worker, and whether each arrived on the main thread.
class RecordingFileRepairExtractController : public FileRepairExtractDelegate
{
public:
    struct Report
    {
        QString kind; // "repair", "join", "rar", "7z", "zip"
        bool result = false;
        qint64 requiredBlocks = 0;
    };

    void repairFinishedWithResult(bool result, qint64 requiredBlocks) override;
    void joiningFinishedWithResult(bool result) override;
    void rarExtractFinishedWithResult(bool result) override;
    void z7ExtractFinishedWithResult(bool result) override;
    void zipExtractFinishedWithResult(bool result) override;
    void sendComment(const QString& comment) override;
    // Lets the pieces go at once unless `holdJoinedPieces` is set; then the
    // deletion waits in `heldPieceDeletion` for the test to run it.
    void joinedFilesWritten(std::function<void()> deletePieces) override;

    QList<Report> reports;
    bool holdJoinedPieces = false;
    std::function<void()> heldPieceDeletion;
    QStringList comments;
    // Calls that did not arrive on the main thread.
    int offMainThreadCalls = 0;

    // Runs the event loop until `count` reports arrived (or `timeoutMs`).
    bool waitForReports(int count = 1, int timeoutMs = 20000) const;
    // The last comment, or an empty string.
    QString lastComment() const { return comments.isEmpty() ? QString() : comments.last(); }

private:
    void add(const QString& kind, bool result, qint64 blocks = 0);
};
