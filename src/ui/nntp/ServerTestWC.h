#pragma once

#include "nntp/NNTPServerObject.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class ServerTestPresenter;

// The server test window: the download and the upload side of one server
// entry, each with its title, busy indicator, result icon and the server's
// last response, and one button that stops the test and then closes the
// window. Everything it shows comes from its ServerTestPresenter; closing
// the window (button, title bar, "ApplicationWillTerminate") stops a running
// test. The settings page makes it, sets the entry and shows it.
class ServerTestWC : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 100;
    // How long quitting waits for a running test's connection to end.
    static constexpr int kTerminationWaitMs = 5000;
    static constexpr int kIconSize = 32;

    explicit ServerTestWC(QWidget* parent = nullptr);
    ~ServerTestWC() override;

    void setNntpserver(const NNTPServerObjectPtr& server);
    ServerTestPresenter* presenter() const { return presenter_; }

    void actionButtonClicked();
    // Once only: stops the test and closes the window.
    void closeWindow();

    QPushButton* actionButton() const { return actionButton_; }
    // Shown when a certificate could not be verified: what was wrong, the
    // certificate's fingerprint, and the choice to trust it.
    QLabel* certificateTextField() const { return certificateTextField_; }
    QPushButton* trustCertificateButton() const { return trustCertificateButton_; }
    QLabel* titleBarTextField() const { return titleBarTextField_; }
    QLabel* downloadTitleTextField() const { return side_[0].title; }
    QLabel* uploadTitleTextField() const { return side_[1].title; }
    QLabel* downloadResultImageView() const { return side_[0].image; }
    QLabel* uploadResultImageView() const { return side_[1].image; }
    QLabel* downloadLastResponseTextField() const { return side_[0].lastResponse; }
    QLabel* uploadLastResponseTextField() const { return side_[1].lastResponse; }
    QProgressBar* downloadProgressIndicator() const { return side_[0].indicator; }
    QProgressBar* uploadProgressIndicator() const { return side_[1].indicator; }

public Q_SLOTS:
    // Escape closes, as the button does at the end.
    void reject() override { closeWindow(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct SideWidgets
    {
        QLabel* title = nullptr;
        QLabel* image = nullptr;
        QLabel* lastResponse = nullptr;
        QProgressBar* indicator = nullptr;
    };

    void windowDidLoad();
    void buildSide(int index, int top);
    void render();
    void renderCertificateProblem();

    ServerTestPresenter* presenter_;
    QLabel* titleBarTextField_;
    QPushButton* actionButton_;
    QLabel* certificateTextField_;
    QPushButton* trustCertificateButton_;
    SideWidgets side_[2];
    bool loaded_ = false;
};
