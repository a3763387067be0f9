#pragma once

#include <QDialog>

#include <functional>

class QProgressBar;
class QPushButton;

// The modal window with a spinning indicator and a Cancel button shown while
// the saved queue is restored at start, when that takes longer than the
// configured delay. The restore closes it when it finishes (code 1); the
// user may cancel it (code 0) after confirming.
class LoadingSaveStateWC : public QDialog
{
    Q_OBJECT
public:
    explicit LoadingSaveStateWC(QWidget* parent = nullptr);
    ~LoadingSaveStateWC() override;

    // Runs the window modally until it is closed and returns its code.
    // When the run ends with 0 (the user confirmed Cancel) and the window
    // still exists, `cancelLoading` is called after the run.
    long runModal(const std::function<void()>& cancelLoading = {});

    // Asks whether to give up the restore; on Yes ends the run with 0.
    void cancelButtonClicked();
    // Hides the window and ends the run with responseCode(). Only the first
    // call counts.
    void closeWindow();

    long responseCode() const { return responseCode_; }
    QProgressBar* progressIndicator() const { return progressIndicator_; }
    QPushButton* cancelButton() const { return cancelButton_; }

public Q_SLOTS:
    // Escape does nothing: giving up the restore goes through the question.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();

    QProgressBar* progressIndicator_;
    QPushButton* cancelButton_;
    long responseCode_ = 1;
    bool windowIsClosing_ = false;
};
