#pragma once

#include "queue/Queue.h"
#include "search/NZBExportControllerDelegate.h"

#include <QDialog>
#include <QList>
#include <QVariantMap>

#include <functional>

class NZBExportController;
class NZBExportStepViews;

// The window that writes NZB files for the search results the user chose,
// into the export folder: one file per result, or all of them merged into
// the file of the first. For each result it asks the search service for the
// complete file and article list, then has the file written, one result
// after the other; it serves one export and ends with its outcome (or
// closes itself after a success the user no longer wants to see).
//
// Shown without a modal run; it says windowWillClose() once as it closes.
class NZBExportWC : public QDialog, private NZBExportControllerDelegate
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 120;

    explicit NZBExportWC(QWidget* parent = nullptr);
    ~NZBExportWC() override;

    // The results still to export; the first is the one being exported.
    const QList<QueuePtr>& queuearray() const { return queuearray_; }
    // Set before the window is shown.
    void setQueuearray(const QList<QueuePtr>& results);
    NZBExportController* nzbExportController() const { return controller_; }
    NZBExportStepViews* containerView() const { return steps_; }
    bool mergeFiles() const { return mergeFiles_; }
    const QString& exportUrl() const { return exportUrl_; }
    bool isCancelled() const { return isCancelled_; }
    // {"result": 1 or 0, "title": the message}; empty until the export ends.
    const QVariantMap& resultDict() const { return resultDict_; }
    // What showing a file in the file manager does (tests replace it).
    void setRevealHandler(std::function<void(const QString&)> reveal) { reveal_ = std::move(reveal); }

    // Places the window, picks its first step and brings it to the front.
    void showWindow();
    // 1 merge choice, 2 single file, 3 progress, 4 outcome; others 2.
    void changeViewController(int step);

    void btnStartClicked();
    void startProcessing();
    void cancelled();
    void showInFinder();
    // Opens the folder chooser; its answer arrives later.
    void changeExportFolder();
    // Stores `folder` as the export folder; an empty one changes nothing.
    void changeExportFolderToUrl(const QString& folder);
    void btnNotShowAgainClicked();
    void radioBtnMergeClicked(int tag);
    // Closes the window once; an export under way stops.
    void closeWindow();

Q_SIGNALS:
    void windowWillClose();

public Q_SLOTS:
    void reject() override { closeWindow(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startNextObject();
    void exportNZBForQueue(const QueuePtr& result);
    QString makeNZBExportUrlForQueue(const QueuePtr& result) const;
    void updateProgressbar();
    void errorResult(const QString& message);
    void successResult(const QString& message);
    void finished();
    void updateExportFolder();

    // NZBExportControllerDelegate
    void searchResults(const NZBExportParser::Result& result, const QueuePtr& job) override;
    void searchFailed(const QString& title, const QString& subtitle, const QueuePtr& job) override;
    void searchCancelledForObj(const QueuePtr& job) override;
    void nzbWriteFinishedForQueue(const QueuePtr& job) override;
    void nzbWriteFailed(const QString& title, const QString& subtitle, const QueuePtr& job) override;

    QList<QueuePtr> queuearray_;
    NZBExportController* controller_;
    NZBExportStepViews* steps_;
    std::function<void(const QString&)> reveal_;
    bool mergeFiles_ = true;
    QString exportUrl_;
    double totalItems_ = 0;
    double itemsProcessed_ = 0;
    bool isCancelled_ = false;
    // Between the start and the outcome: replies outside it are stale.
    bool running_ = false;
    bool windowIsClosing_ = false;
    QVariantMap resultDict_;
};
