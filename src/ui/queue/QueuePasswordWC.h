#pragma once

#include "queue/Queue.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// The password window: one archive password for one or more jobs. The
// field starts with the first job's password; confirming gives every job
// the text in the field (also an empty one) and ends the run with 1. The
// runner then tells the scheduler (passwordsWereUpdatedForQueueArray).
class QueuePasswordWC : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 100;

    explicit QueuePasswordWC(const QList<QueuePtr>& queueArray, QWidget* parent = nullptr);
    ~QueuePasswordWC() override;

    QList<QueuePtr> queueArray() const { return queueArray_; }
    qint64 responseCode() const { return responseCode_; }
    QLineEdit* passwordTextField() const { return passwordTextField_; }
    QPushButton* submitButton() const { return submitButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    qint64 runModal();
    void submitButtonClicked();
    void cancelButtonClicked();
    void closeWindow();

    // Runs the window for `jobs` and, when it is confirmed, tells the
    // scheduler; nothing for an empty list. What the main window does on
    // "ShowPasswordSheetForQueueArray".
    static qint64 showPasswordSheetForQueueArray(const QList<QueuePtr>& jobs,
                                                 class QueueController* controller);

public Q_SLOTS:
    void reject() override { cancelButtonClicked(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void centerWindow();

    QList<QueuePtr> queueArray_;
    QLineEdit* passwordTextField_;
    QPushButton* submitButton_;
    QPushButton* cancelButton_;
    qint64 responseCode_ = 0;
    bool windowIsClosing_ = false;
};
