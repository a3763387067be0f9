// From no news server at all to a finished download, through the settings
// window alone: a server is added and typed in as a user would, tested, and
// the window closed; the engine takes the list and downloads an NZB from it.

#include "integration/EngineEndToEnd.h"

#include "ui/nntp/ServerTestWC.h"
#include "ui/prefs/PrefsServersVC.h"
#include "ui/prefs/PrefsWC.h"

#include "nntp/DBNNTPServers.h"
#include "nntp/NNTPServersController.h"
#include "nntp/NntpTlsConfiguration.h"
#include "platform/NotificationHub.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

class ServersEndToEnd : public EngineEndToEnd
{
protected:
    void TearDown() override
    {
        EngineEndToEnd::TearDown();
        NntpTlsConfiguration::removeAddedCaCertificates();
    }

    template <class T>
    static T* field(const QWidget& page, const char* name)
    {
        T* found = page.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static void type(QWidget* w, const QString& text)
    {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_Delete);
        QTest::keyClicks(w, text);
    }
};

} // namespace

TEST_F(ServersEndToEnd, AServerTypedIntoTheWindowIsTestedSavedAndDownloadsAnNzb)
{
    ScriptedNntpServer news;
    ASSERT_TRUE(news.startTls(TestCertificates::shared())) << news.errorString().toStdString();
    news.setRequireAuth(true);
    news.addAccount("ann", "open sesame");
    news.addGroup("alt.binaries.test", 3, 1);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 120000, 40000, 5);
    serve(news, photos);
    NntpTlsConfiguration::addCaCertificates({TestCertificates::shared().caCertificate()});

    QStringList posted;
    QObject listener;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("NNTPServerListChanged"), &listener,
                                                 [&](const Notification&) { posted << "NNTPServerListChanged"; });
    ASSERT_TRUE(engine->nntpServersController()->arrayNNTPServers().isEmpty());

    auto* wc = new PrefsWC(PrefsContext::fromEngine(*engine), 1);
    wc->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<PrefsWC> window(wc);
    wc->show();
    auto* page = qobject_cast<PrefsServersVC*>(wc->topVC());
    ASSERT_NE(page, nullptr);
    // The empty list got its first server, ready to be typed in.
    ASSERT_EQ(engine->nntpServersController()->arrayNNTPServers().size(), 1);

    type(field<QLineEdit>(*page, "alias"), "My News");
    type(field<QLineEdit>(*page, "address"), "127.0.0.1");
    type(field<QSpinBox>(*page, "port"), "8119");
    field<QCheckBox>(*page, "ssl")->click();
    EXPECT_EQ(field<QSpinBox>(*page, "port")->value(), 563) << "TLS sets its standard port";
    type(field<QSpinBox>(*page, "port"), QString::number(news.port()));
    if (!field<QCheckBox>(*page, "requiresLogin")->isChecked()) field<QCheckBox>(*page, "requiresLogin")->click();
    type(field<QLineEdit>(*page, "username"), "ann");
    type(field<QLineEdit>(*page, "password"), "open sesame");
    type(field<QSpinBox>(*page, "maxConnections"), "2");

    // The test window passes both sides against the typed server.
    field<QPushButton>(*page, "openServerTestWindow")->click();
    ServerTestWC* test = page->serverTestWC();
    ASSERT_NE(test, nullptr);
    ASSERT_TRUE(waitUntil([&] { return test->actionButton()->text() == QLatin1String("Close"); }, 15000));
    EXPECT_EQ(test->downloadLastResponseTextField()->text(), "All fine");
    EXPECT_EQ(test->uploadLastResponseTextField()->text(), "All fine");
    test->actionButton()->click();

    wc->close();
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, 3000));
    EXPECT_EQ(posted, QStringList({"NNTPServerListChanged"}));

    // The store holds the server as typed.
    const QList<NNTPServerObjectPtr> stored = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(stored.size(), 1);
    const NNTPServerObjectPtr s = stored.first();
    EXPECT_EQ(s->alias(), "My News");
    EXPECT_EQ(s->address(), "127.0.0.1");
    EXPECT_EQ(s->port(), news.port());
    EXPECT_TRUE(s->ssl());
    EXPECT_TRUE(s->requiresLogin());
    EXPECT_EQ(s->username(), "ann");
    EXPECT_EQ(s->password(), "open sesame");
    EXPECT_EQ(s->maxConnections(), 2);

    // And the engine downloads from it.
    const QueuePtr job = import(writeNzb({photos}, QStringLiteral("Photos")));
    ASSERT_TRUE(job);
    // Finished: the job may leave the queue at once after that, as the
    // cleaning setting says, so the scheduler's record is read.
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 60000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QByteArray written = fileBytes(QDir(job->downloadUrl()).filePath(photos.name));
    EXPECT_TRUE(written == photos.data);
    for (const QByteArray& mid : photos.mids)
        EXPECT_EQ(news.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
}
