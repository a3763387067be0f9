// The server test window offscreen, against the scripted server.

#include "ui/nntp/ServerTestWC.h"
#include "controls/Artwork.h"
#include "nntp/NntpTlsConfiguration.h"
#include "nntp/ServerTestPresenter.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include "support/EventLoop.h"
#include "support/ScriptedNntpServer.h"
#include "support/TempHome.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

class ServerTestWindow : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedNntpServer server;
    NNTPServerObjectPtr entry = NNTPServerObject::create();

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        server.addGroup("alt.binaries.test", 3, 1);
        entry->setAlias(QStringLiteral("Scripted"));
        entry->setAddress(QStringLiteral("127.0.0.1"));
        entry->setPort(server.port());
        entry->setRequiresLogin(false);
    }

    static QImage shown(const QLabel* label) { return label->pixmap().toImage(); }
    static QImage icon(const char* name)
    {
        return Artwork::pixmap(QString::fromLatin1(name),
                               QSize(ServerTestWC::kIconSize, ServerTestWC::kIconSize))
            .toImage();
    }
};

} // namespace

TEST_F(ServerTestWindow, BothTestsPassAndTheButtonCloses)
{
    QMainWindow main;
    main.setGeometry(60, 40, 800, 600);
    main.show();
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(wc.pos(), WindowPlacement::centeredOrigin(main.frameGeometry(), wc.frameGeometry().size(),
                                                        visible, ServerTestWC::kWindowDistance));
    EXPECT_EQ(wc.titleBarTextField()->text(), QStringLiteral("Testing Scripted"));
    EXPECT_TRUE(wc.downloadProgressIndicator()->isVisible());
    EXPECT_FALSE(wc.downloadResultImageView()->isVisible());

    ASSERT_TRUE(waitUntil([&] { return wc.actionButton()->text() == QLatin1String("Close"); }, 10000));
    EXPECT_FALSE(wc.downloadProgressIndicator()->isVisible());
    EXPECT_FALSE(wc.uploadProgressIndicator()->isVisible());
    EXPECT_TRUE(wc.downloadResultImageView()->isVisible());
    EXPECT_EQ(shown(wc.downloadResultImageView()), icon(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(shown(wc.uploadResultImageView()), icon(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(wc.downloadLastResponseTextField()->text(), QStringLiteral("All fine"));
    EXPECT_EQ(wc.uploadLastResponseTextField()->text(), QStringLiteral("All fine"));
    EXPECT_EQ(server.commandLines(), QList<QByteArray>({"GROUP alt.binaries.test", "POST"}));

    wc.actionButton()->click();
    EXPECT_FALSE(wc.isVisible());
}

TEST_F(ServerTestWindow, APostingDisabledServerShowsNoUploadTest)
{
    entry->setUpEnabled(false);
    server.addRule(NntpRule::on("GROUP").reply(481, "Authentication failed"));
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    EXPECT_EQ(wc.uploadTitleTextField()->text(), QStringLiteral("Upload server is not enabled"));
    EXPECT_EQ(wc.uploadLastResponseTextField()->text(), QStringLiteral("No testing possible"));
    EXPECT_FALSE(wc.uploadTitleTextField()->isEnabled());
    EXPECT_FALSE(wc.uploadLastResponseTextField()->isEnabled());
    EXPECT_FALSE(wc.uploadResultImageView()->isEnabled());
    EXPECT_EQ(shown(wc.uploadResultImageView()), icon(ServerTestPresenter::kImageIdle));

    ASSERT_TRUE(waitUntil([&] { return wc.actionButton()->text() == QLatin1String("Close"); }, 10000));
    EXPECT_EQ(shown(wc.downloadResultImageView()), icon(ServerTestPresenter::kImageError));
    EXPECT_EQ(wc.downloadTitleTextField()->text(), QStringLiteral("Download settings failed"));
    EXPECT_EQ(wc.downloadLastResponseTextField()->text(),
              QStringLiteral("Error: [481] Authentication failed"));
    EXPECT_EQ(server.connectionsOpened(), 1);
}

TEST_F(ServerTestWindow, ClosingTheWindowStopsTheTest)
{
    server.addRule(NntpRule::on("GROUP").goSilent());
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    ASSERT_TRUE(
        waitUntil([&] { return server.activeConnections() == 1 && !server.commandLines().isEmpty(); }));
    wc.close();
    EXPECT_FALSE(wc.isVisible());
    EXPECT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return !wc.presenter()->t1(); }, 3000));
    spinEventLoop(300);
    EXPECT_EQ(server.connectionsOpened(), 1) << "no upload test after closing";
}

TEST_F(ServerTestWindow, TerminationClosesTheWindow)
{
    server.addRule(NntpRule::on("GROUP").goSilent());
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    const std::weak_ptr<TCPSocketForTesting> connection = wc.presenter()->t1();
    ASSERT_FALSE(connection.expired());
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    EXPECT_TRUE(waitUntil([&] { return !wc.isVisible(); }));
    EXPECT_TRUE(wc.presenter()->windowIsClosing());
    // The program goes on to take its libraries down: the connection's thread
    // is over by the time the window has closed.
    const TCPSocketForTestingPtr still = connection.lock();
    EXPECT_TRUE(!still || still->isFinished());
    EXPECT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }, 3000));
}

TEST_F(ServerTestWindow, AnUnverifiedCertificateIsShownAndCanBeTrustedForThisServerOnly)
{
    // A TLS server whose certificate comes from an authority nobody added.
    TestCertificates own;
    ASSERT_TRUE(own.isValid());
    ScriptedNntpServer tls;
    ASSERT_TRUE(tls.startTls(own));
    tls.addGroup("alt.binaries.test", 3, 1);
    entry->setPort(tls.port());
    entry->setSsl(true);
    entry->setUpEnabled(false);
    const QString fingerprint = NntpTlsConfiguration::fingerprint(own.serverCertificate());

    QMainWindow main;
    main.setGeometry(60, 40, 800, 600);
    main.show();
    {
        ServerTestWC wc;
        wc.setNntpserver(entry);
        wc.show();
        EXPECT_FALSE(wc.trustCertificateButton()->isVisible()) << "nothing to trust while the test runs";
        ASSERT_TRUE(waitUntil([&] { return wc.actionButton()->text() == QLatin1String("Close"); }, 10000));
        EXPECT_EQ(wc.downloadTitleTextField()->text(), QStringLiteral("Download settings failed"));
        EXPECT_TRUE(wc.downloadLastResponseTextField()->text().startsWith(
            QStringLiteral("StreamError (13): Certificate verification failed: ")));
        // The reason and the fingerprint, in full, with the choice to trust.
        ASSERT_TRUE(wc.certificateTextField()->isVisible());
        const QString text = wc.certificateTextField()->text();
        EXPECT_TRUE(text.startsWith(QStringLiteral("The server's certificate could not be verified: ")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(wc.presenter()->certificateProblem()));
        EXPECT_EQ(QString(text).remove(QLatin1Char('\n')).right(fingerprint.size() - 1),
                  QString(fingerprint).remove(16 * 3 - 1, 1))
            << "the fingerprint split over two lines";
        ASSERT_TRUE(wc.trustCertificateButton()->isVisible());
        EXPECT_TRUE(tls.commandLines().isEmpty()) << "nothing was sent to an unverified server";
        if (const QByteArray out = qgetenv("BINORAMA_SCREENSHOT"); !out.isEmpty()) {
            spinEventLoop(50);
            EXPECT_TRUE(wc.grab().save(QString::fromLocal8Bit(out)));
        }

        // Trusted: the test runs again and passes.
        wc.trustCertificateButton()->click();
        EXPECT_FALSE(wc.trustCertificateButton()->isVisible());
        ASSERT_TRUE(waitUntil([&] { return wc.actionButton()->text() == QLatin1String("Close"); }, 10000));
        EXPECT_EQ(wc.downloadLastResponseTextField()->text(), QStringLiteral("All fine"));
        EXPECT_EQ(shown(wc.downloadResultImageView()), icon(ServerTestPresenter::kImageFinished));
        EXPECT_FALSE(wc.certificateTextField()->isVisible());
        EXPECT_EQ(tls.commandLines(), QList<QByteArray>({"GROUP alt.binaries.test"}));
        wc.actionButton()->click();
    }
    EXPECT_TRUE(NntpTlsConfiguration::isTrusted(entry->serverID(), own.serverCertificate()));

    // The server now presents another certificate: refused again.
    TestCertificates replaced;
    ScriptedNntpServer changed;
    ASSERT_TRUE(changed.startTls(replaced));
    changed.addGroup("alt.binaries.test", 3, 1);
    entry->setPort(changed.port());
    ServerTestWC again;
    again.setNntpserver(entry);
    again.show();
    ASSERT_TRUE(waitUntil([&] { return again.actionButton()->text() == QLatin1String("Close"); }, 10000));
    EXPECT_EQ(again.downloadTitleTextField()->text(), QStringLiteral("Download settings failed"));
    EXPECT_TRUE(again.trustCertificateButton()->isVisible());
    EXPECT_EQ(again.presenter()->certificateFingerprint(),
              NntpTlsConfiguration::fingerprint(replaced.serverCertificate()));
    EXPECT_TRUE(changed.commandLines().isEmpty());
    again.actionButton()->click();
}
