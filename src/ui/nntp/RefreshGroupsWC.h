#pragma once

#include "nntp/NewsGroupDownloadControllerDelegate.h"
#include "nntp/NewsgroupSelectorItem.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class NewsGroupDownloadController;
class NewsgroupListQueueInterface;
class QListWidget;
class QProgressBar;
class QPushButton;
class RefreshGroupsWCDelegate;

// The sheet that fetches the newsgroup list of one server: it runs one
// NewsGroupDownloadController, shows its progress as lines of text, parses
// the reply off the main thread and hands the groups to its delegate. Its
// button cancels the download and then reads "Close". Runs window-modal on
// the window that opened it (open()) and ends with code 1.
class RefreshGroupsWC : public QDialog, private NewsGroupDownloadControllerDelegate
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 100;

    explicit RefreshGroupsWC(QWidget* parent = nullptr);
    ~RefreshGroupsWC() override;

    // Set before the sheet is shown; the delegate and the queue are held
    // weakly.
    void setQueueController(NewsgroupListQueueInterface* queueController)
    {
        queueController_ = queueController;
    }
    void setServerID(const QString& serverID) { serverID_ = serverID; }
    void setDelegate(RefreshGroupsWCDelegate* delegate) { delegate_ = delegate; }

    void downloadNewsgroups();
    void cancelDownload();
    void finished();
    void addStatusToTableView(const QString& text);
    void btnCancelClicked();
    // Once only: cancels the download and ends the sheet.
    void closeWindow();
    // The reply block of LIST: parsed on the global pool, the groups handed
    // over on the main thread.
    void newsgroupsReceived(const QByteArray& reply) override;

    const QStringList& statusArray() const { return statusArray_; }
    const QList<NewsgroupSelectorItem>& newsgrouplist() const { return newsgrouplist_; }
    bool isCancelled() const { return isCancelled_; }
    NewsGroupDownloadController* newsgroupDownloadController() const { return controller_; }
    QPushButton* buttonCancel() const { return buttonCancel_; }
    QProgressBar* progressIndicator() const { return progressIndicator_; }
    QListWidget* statusTableView() const { return statusTableView_; }

Q_SIGNALS:
    // The parsed list has been handled (handed over or not).
    void newsgroupsParsed();

public Q_SLOTS:
    void reject() override { closeWindow(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void newsgroupsListReceivedDelegate();
    // NewsGroupDownloadControllerDelegate
    void connectionStatusReceived(const QString& text) override;
    void connectionIsClosed() override;

    QListWidget* statusTableView_;
    QPushButton* buttonCancel_;
    QProgressBar* progressIndicator_;
    NewsGroupDownloadController* controller_ = nullptr;
    QStringList statusArray_;
    QList<NewsgroupSelectorItem> newsgrouplist_;
    bool isCancelled_ = false;
    bool windowIsClosing_ = false;
    bool loaded_ = false;
    RefreshGroupsWCDelegate* delegate_ = nullptr;
    NewsgroupListQueueInterface* queueController_ = nullptr;
    QString serverID_;
};
