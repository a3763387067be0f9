#pragma once

#include "nntp/NewsgroupSelectorItem.h"
#include "queue/Queue.h"

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class NewsgroupTableModel;

// The summary the user confirms before a post or upload is queued: subject,
// poster, news server, size, newsgroups and the NZB file to be written. Run
// modally with exec(); the answer is responseCode(): 1 when confirmed, 0
// when aborted, closed or the program quits. Main thread.
class UploadConfirmWC : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 30;

    explicit UploadConfirmWC(QWidget* parent = nullptr);
    ~UploadConfirmWC() override;

    // Set before exec().
    void setQueue(const QueuePtr& queue) { queue_ = queue; }
    void setNewsserverAlias(const QString& alias) { newsserverAlias_ = alias; }
    void setNewsgroupsArray(const QList<NewsgroupSelectorItem>& groups) { newsgroupsArray_ = groups; }
    void setFilesize(const QString& filesize) { filesize_ = filesize; }

    int exec() override;
    qint64 responseCode() const { return responseCode_; }

    void buttonConfirmClicked();
    void buttonAbortClicked();
    void closeWindow();

    QLabel* textFieldTitle() const { return textFieldTitle_; }
    QLabel* textFieldPoster() const { return textFieldPoster_; }
    QLabel* textFieldNewsserver() const { return textFieldNewsserver_; }
    QLabel* textFieldFilesize() const { return textFieldFilesize_; }
    QLabel* textFieldNewsgroups() const { return textFieldNewsgroups_; }
    QLineEdit* textFieldNZBExportPath() const { return textFieldNZBExportPath_; }
    QTableView* tableViewNewsgroups() const { return tableViewNewsgroups_; }
    QPushButton* confirmButton() const { return confirmButton_; }

private:
    void fillContent();

    QueuePtr queue_;
    QString newsserverAlias_;
    QList<NewsgroupSelectorItem> newsgroupsArray_;
    QString filesize_;
    qint64 responseCode_ = 0;

    QLabel* textFieldTitle_ = nullptr;
    QLabel* textFieldPoster_ = nullptr;
    QLabel* textFieldNewsserver_ = nullptr;
    QLabel* textFieldFilesize_ = nullptr;
    QLabel* textFieldNewsgroups_ = nullptr;
    QLineEdit* textFieldNZBExportPath_ = nullptr;
    QTableView* tableViewNewsgroups_ = nullptr;
    NewsgroupTableModel* model_ = nullptr;
    QPushButton* confirmButton_ = nullptr;
};
