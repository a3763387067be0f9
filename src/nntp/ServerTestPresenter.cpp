#include "nntp/ServerTestPresenter.h"

#include "core/Logger.h"
#include "nntp/NntpTlsConfiguration.h"

ServerTestPresenter::ServerTestPresenter(QObject* parent) : ServerTestReceiver(parent)
{
    download_.title = QStringLiteral("Download server");
    upload_.title = QStringLiteral("Upload server");
    actionButtonTitle_ = QStringLiteral("Stop");
}

ServerTestPresenter::~ServerTestPresenter()
{
    if (t1_) t1_->disconnect();
}

ServerTestPresenter::Side& ServerTestPresenter::current()
{
    return mode_ == UploadTest ? upload_ : download_;
}

void ServerTestPresenter::windowDidLoad()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (!server) {
        closeWindow();
        return;
    }
    titleBarText_ = sformat(u"Testing %@", server->alias());
    if (!server->upEnabled()) {
        upload_.image = QString::fromLatin1(kImageIdle);
        upload_.title = QStringLiteral("Upload server is not enabled");
        upload_.lastResponse = QStringLiteral("No testing possible");
        upload_.enabled = false;
    }
    emit changed();
    testDownload();
}

void ServerTestPresenter::testDownload()
{
    startTest(false);
}

void ServerTestPresenter::testUpload()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (server && server->uploadIsDownloadServer()) useDownloadSettingsForUpload(*server);
    startTest(true);
}

void ServerTestPresenter::useDownloadSettingsForUpload(NNTPServerObject& server)
{
    // The entry itself gets the download settings, so that what was tested
    // is what is stored.
    const int port = server.port();
    server.setUpUsername(server.username());
    server.setUpPassword(server.password());
    server.setUpAddress(server.address());
    server.setUpPort(NNTPServerObject::uploadPortForDownloadPort(port));
    server.setUpSSL(NNTPServerObject::uploadSSLForDownloadEndpoint(port, server.ssl()));
    server.setUpRequiresLogin(server.requiresLogin());
}

void ServerTestPresenter::startTest(bool upload)
{
    mode_ = upload ? UploadTest : DownloadTest;
    untrustedCertificate_ = QSslCertificate();
    certificateProblem_.clear();
    loggingStart();
    startProcessIndicator();
    t1_ = TCPSocketForTesting::create();
    lastSocket_ = t1_;
    t1_->setServerTestWC(this);
    t1_->setNntpServer(nntpserver());
    t1_->setIsUploadMode(upload);
    t1_->start();
    emit changed();
}

void ServerTestPresenter::startProcessIndicator()
{
    Side& side = current();
    side.indicatorVisible = true;
    side.imageVisible = false;
}

void ServerTestPresenter::stopProcessIndicator()
{
    if (mode_ == NoTest) return;
    Side& side = current();
    side.indicatorVisible = false;
    side.imageVisible = true;
}

void ServerTestPresenter::socketMessage(const QString& text)
{
    if (mode_ == UploadTest)
        BLOG(0, "Server upload test response :: %@", text);
    else
        BLOG(0, "Server download test response :: %@", text);
    current().lastResponse = text;
    emit changed();
}

void ServerTestPresenter::testResultSuccessful()
{
    stopProcessIndicator();
    Side& side = current();
    side.image = QString::fromLatin1(kImageFinished);
    side.lastResponse = QStringLiteral("All fine");
    loggingEnd();
    emit changed();
}

void ServerTestPresenter::testResultFailed()
{
    if (t1_) {
        untrustedCertificate_ = t1_->untrustedCertificate();
        certificateProblem_ = t1_->certificateProblem();
    }
    stopProcessIndicator();
    Side& side = current();
    side.image = QString::fromLatin1(kImageError);
    side.title = mode_ == UploadTest ? QStringLiteral("Upload settings failed")
                                     : QStringLiteral("Download settings failed");
    loggingEnd();
    emit changed();
}

QString ServerTestPresenter::certificateFingerprint() const
{
    return untrustedCertificate_.isNull() ? QString() : NntpTlsConfiguration::fingerprint(untrustedCertificate_);
}

void ServerTestPresenter::trustCertificateAndRetest()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (!server || untrustedCertificate_.isNull() || t1_ || windowIsClosing_) return;
    NntpTlsConfiguration::trustCertificate(server->serverID(), untrustedCertificate_);
    BLOG(0, "Trusting the certificate %@ for server :: %@", certificateFingerprint(), server->alias());
    // Both sides start again as the window first showed them.
    download_ = Side();
    download_.title = QStringLiteral("Download server");
    if (upload_.enabled) {
        upload_ = Side();
        upload_.title = QStringLiteral("Upload server");
    }
    socketIsDisconnected_ = false;
    actionButtonTitle_ = QStringLiteral("Stop");
    testDownload();
}

void ServerTestPresenter::removeSocket()
{
    t1_.reset();
    const NNTPServerObjectPtr server = nntpserver();
    // A certificate the user has not trusted fails the upload side too:
    // the window waits for the user's choice instead.
    if (server && server->upEnabled() && mode_ == DownloadTest && !socketIsDisconnected_ &&
        untrustedCertificate_.isNull()) {
        testUpload();
        return;
    }
    testsOver();
}

void ServerTestPresenter::testsOver()
{
    socketIsDisconnected_ = true;
    actionButtonTitle_ = QStringLiteral("Close");
    emit changed();
}

void ServerTestPresenter::actionButtonClicked()
{
    if (socketIsDisconnected_)
        closeWindow();
    else
        disconnectSocket();
}

void ServerTestPresenter::disconnectSocket()
{
    if (t1_) t1_->disconnect();
    t1_.reset();
    testsOver();
}

void ServerTestPresenter::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    stopProcessIndicator();
    // The test ends with the window: its connection would otherwise go on
    // talking to the server for a window that is gone.
    if (t1_) t1_->disconnect();
    t1_.reset();
    socketIsDisconnected_ = true;
    emit changed();
    emit closeRequested();
}

void ServerTestPresenter::closeWindowForTermination(int ms)
{
    const TCPSocketForTestingPtr socket = lastSocket_.lock();
    closeWindow();
    if (socket && !socket->isFinished()) {
        socket->disconnect();
        socket->wait(ms);
    }
}

void ServerTestPresenter::loggingStart()
{
    const NNTPServerObjectPtr server = nntpserver();
    const QString alias = server ? server->alias() : QString();
    BLOG(0, "-");
    if (mode_ == UploadTest)
        BLOG(0, "Starting upload test for server :: %@", alias);
    else
        BLOG(0, "Starting download test for server :: %@", alias);
    BLOG(0, "-");
}

void ServerTestPresenter::loggingEnd()
{
    const NNTPServerObjectPtr server = nntpserver();
    const QString alias = server ? server->alias() : QString();
    const QString result = current().lastResponse;
    BLOG(0, "-");
    if (mode_ == UploadTest) {
        BLOG(0, "End upload test for server :: %@", alias);
        BLOG(0, "Upload result :: %@", result);
    } else {
        BLOG(0, "End download test for server :: %@", alias);
        BLOG(0, "Download result :: %@", result);
    }
    BLOG(0, "-");
}
