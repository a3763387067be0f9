#pragma once

#include "nntp/NNTPServerObject.h"
#include "nntp/ServerTestReceiver.h"
#include "nntp/TCPSocketForTesting.h"

#include <QSslCertificate>
#include <QString>

#include <memory>

// What the server test window does, without its widgets: it tests one server
// entry, first the download endpoint and then, when posting is enabled for
// the server, the upload endpoint, each with a TCPSocketForTesting; it keeps
// what each side of the window shows (title, last response, result image,
// busy indicator), the window's title and the action button's title, and
// writes the course of each test to the log. The window draws this state
// whenever changed() is emitted and closes when closeRequested() is.
//
// Closing stops a running test and its connection. Main thread only.
class ServerTestPresenter : public ServerTestReceiver
{
    Q_OBJECT
public:
    enum Mode : qint64 {
        NoTest = 0,
        DownloadTest = 1,
        UploadTest = 2,
    };

    // One side of the window: the download test or the upload test.
    struct Side
    {
        QString title;
        QString lastResponse;
        QString image;                 // a name of the Artwork registry, or empty
        bool indicatorVisible = false; // the busy indicator runs
        bool imageVisible = true;
        bool enabled = true; // drawn normally; off: greyed, no test possible
    };

    static constexpr const char* kImageIdle = "icon_servertest_idle";
    static constexpr const char* kImageFinished = "icon_servertest_finished";
    static constexpr const char* kImageError = "icon_servertest_error";

    explicit ServerTestPresenter(QObject* parent = nullptr);
    ~ServerTestPresenter() override;

    // The entry under test (the live entry the settings window edits), held
    // weakly.
    void setNntpserver(const NNTPServerObjectPtr& server) { nntpserver_ = server; }
    NNTPServerObjectPtr nntpserver() const { return nntpserver_.lock(); }

    // Starts: without an entry the window is asked to close and no test
    // runs; otherwise the download test begins.
    void windowDidLoad();
    void testDownload();
    // With "same as download", first gives the entry's upload fields the
    // download settings (useDownloadSettingsForUpload).
    void testUpload();
    // Upload login, address and login flag from the download fields; the
    // download port, or 119 when it is not set, and TLS only with a set port.
    static void useDownloadSettingsForUpload(NNTPServerObject& server);
    // The window's button: stops the running test, or closes once the tests
    // are over.
    void actionButtonClicked();
    void disconnectSocket();
    // Once only: stops the running test and its connection, then asks the
    // window to close.
    void closeWindow();
    // The program quits: closes as closeWindow() does, then waits up to `ms`
    // for the last test connection's thread to end, so that no connection
    // is still running while the program takes its libraries down.
    void closeWindowForTermination(int ms);

    // A test that failed because the server's certificate could not be
    // verified leaves that certificate here (null otherwise), with what was
    // wrong with it and its SHA-256 fingerprint, until the next test starts.
    QSslCertificate untrustedCertificate() const { return untrustedCertificate_; }
    QString certificateProblem() const { return certificateProblem_; }
    QString certificateFingerprint() const;
    // The user trusts that one certificate for this server entry: it is
    // kept, and the tests run again from the start.
    void trustCertificateAndRetest();

    // --- ServerTestReceiver, from the running test connection ---
    void socketMessage(const QString& text) override;
    void testResultSuccessful() override;
    void testResultFailed() override;
    void removeSocket() override;

    // --- state ---
    qint64 mode() const { return mode_; }
    bool socketIsDisconnected() const { return socketIsDisconnected_; }
    bool windowIsClosing() const { return windowIsClosing_; }
    TCPSocketForTestingPtr t1() const { return t1_; }
    QString titleBarText() const { return titleBarText_; }
    QString actionButtonTitle() const { return actionButtonTitle_; }
    const Side& download() const { return download_; }
    const Side& upload() const { return upload_; }

Q_SIGNALS:
    void changed();
    void closeRequested();

private:
    Side& current();
    void startTest(bool upload);
    void loggingStart();
    void loggingEnd();
    void startProcessIndicator();
    void stopProcessIndicator();
    void testsOver();

    std::weak_ptr<NNTPServerObject> nntpserver_;
    TCPSocketForTestingPtr t1_;
    // The last connection started, which may outlive t1_ until its thread
    // has reported its end.
    std::weak_ptr<TCPSocketForTesting> lastSocket_;
    qint64 mode_ = NoTest;
    bool socketIsDisconnected_ = false;
    bool windowIsClosing_ = false;
    QSslCertificate untrustedCertificate_;
    QString certificateProblem_;
    QString titleBarText_;
    QString actionButtonTitle_;
    Side download_;
    Side upload_;
};
