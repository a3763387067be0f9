#pragma once

#include "engine/ClosingSequence.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The closing window: one row per phase of the closing (label, status text,
// Cancel button). It runs modally while the closing works; it stays invisible
// (present, with no size) until closingWindowDelay seconds have passed, so a
// quick close shows nothing.
class ClosingAppWC : public QDialog
{
    Q_OBJECT
public:
    explicit ClosingAppWC(QWidget* parent = nullptr);
    ~ClosingAppWC() override;

    ClosingSequence& sequence() { return sequence_; }

    // Starts the closing and runs the window until it ends.
    int runModal();

    QLabel* connectionsProgressTextField() const { return status_[0]; }
    QLabel* flushingProgressTextField() const { return status_[1]; }
    QLabel* saveStateProgressTextField() const { return status_[2]; }
    QPushButton* btnCancelConnections() const { return cancel_[0]; }
    QPushButton* btnCancelFlushing() const { return cancel_[1]; }
    QPushButton* btnCancelDbExport() const { return cancel_[2]; }
    bool windowIsShown() const { return shown_; }

public Q_SLOTS:
    // Escape does not skip the saves.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void hideOurWindow();
    void showOurWindow();

    ClosingSequence sequence_;
    QLabel* status_[3] = {};
    QPushButton* cancel_[3] = {};
    QRect windowFrame_;
    bool shown_ = false;
};
