#pragma once

#include "queue/Queue.h"
#include "search/NZBExportControllerDelegate.h"

#include <QList>
#include <QWidget>

class NZBExportController;
class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// The window that writes NZB files for the search results the user chose,
// into the export folder: one file per result, or all of them merged into
// one. Results are fetched and written one after the other.
class NZBExportWC : public QWidget, private NZBExportControllerDelegate
{
    Q_OBJECT
public:
    explicit NZBExportWC(QWidget* parent = nullptr);
    ~NZBExportWC() override;

    // The results still to export; the first is the one being exported.
    const QList<QueuePtr>& queuearray() const { return queuearray_; }
    void setQueuearray(const QList<QueuePtr>& results);
    NZBExportController* nzbExportController() const { return controller_; }
    QPushButton* startButton() const { return startButton_; }
    QLabel* resultLabel() const { return resultLabel_; }
    const QString& exportUrl() const { return exportUrl_; }

    void showWindow();
    void startProcessing();
    void cancelled();

Q_SIGNALS:
    void windowWillClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startNextObject();
    void exportNZBForQueue(const QueuePtr& result);
    QString makeNZBExportUrlForQueue(const QueuePtr& result) const;
    void updateProgressbar();
    void finished(bool success, const QString& message);

    // NZBExportControllerDelegate
    void searchResults(const NZBExportParser::Result& result, const QueuePtr& job) override;
    void searchFailed(const QString& title, const QString& subtitle, const QueuePtr& job) override;
    void searchCancelledForObj(const QueuePtr& job) override;
    void nzbWriteFinishedForQueue(const QueuePtr& job) override;
    void nzbWriteFailed(const QString& title, const QString& subtitle, const QueuePtr& job) override;

    QList<QueuePtr> queuearray_;
    NZBExportController* controller_;
    bool mergeFiles_ = true;
    QString exportUrl_;
    double totalItems_ = 0;
    double itemsProcessed_ = 0;
    bool isCancelled_ = false;
    bool running_ = false;

    QListWidget* list_;
    QCheckBox* mergeBox_;
    QProgressBar* progressbar_;
    QLabel* currentTitle_;
    QLabel* resultLabel_;
    QPushButton* startButton_;
    QPushButton* cancelButton_;
    QPushButton* closeButton_;
};
