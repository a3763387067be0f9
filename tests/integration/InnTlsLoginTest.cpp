// A download from INN's implicit-TLS port, which asks for AUTHINFO: it works
// when the server's certificate is trusted (its authority added, or the
// certificate itself trusted for the server entry), and stops with the reason
// in the log when it is not, or when the server refuses the password.

#include "InnEndToEnd.h"

#include "nntp/NNTPServersController.h"
#include "nntp/NntpTlsConfiguration.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ScriptedServerEntry.h"

#include <QDir>
#include <QFileInfo>

#include <ostream>

namespace {

class InnTlsLogin : public InnEndToEnd
{
protected:
    PostedFile report;
    QString nzb;
    LogFileReader log{home.logFilePath()};

    void SetUp() override
    {
        InnEndToEnd::SetUp();
        if (HasFatalFailure()) return;
        report = PostedFile::make(QStringLiteral("report.pdf"), 900000, 300000, 71);
        QString error;
        ASSERT_TRUE(postTo(inn.port(), InnServer::group(), report, &error)) << error.toStdString();
        nzb = writeNzb({report}, QStringLiteral("Report"));
    }
    void TearDown() override
    {
        NntpTlsConfiguration::removeAddedCaCertificates();
        InnEndToEnd::TearDown();
    }

    NNTPServerObjectPtr addTlsServer(const QString& password)
    {
        NNTPServersController* list = engine->nntpServersController();
        const NNTPServerObjectPtr entry =
            addScriptedServerEntry(*list, inn.tlsPort(), QStringLiteral("INN TLS"), 2);
        entry->setSsl(true);
        entry->setRequiresLogin(true);
        entry->setUsername(InnServer::user());
        entry->setPassword(password);
        list->buildLocalArrays();
        return entry;
    }

    QString downloaded(const QueuePtr& job) const { return QDir(job->downloadUrl()).filePath(report.name); }
};

enum class Trust { AuthorityAdded, CertificateTrustedForTheServer };

struct TrustCase
{
    const char* name;
    Trust trust;
};

void PrintTo(const TrustCase& c, std::ostream* os)
{
    *os << c.name;
}

class InnTlsTrusted : public InnTlsLogin, public ::testing::WithParamInterface<TrustCase>
{
};

TEST_P(InnTlsTrusted, TheFileIsDownloadedOverTlsAfterTheLogin)
{
    const NNTPServerObjectPtr entry = addTlsServer(InnServer::password());
    if (GetParam().trust == Trust::AuthorityAdded)
        NntpTlsConfiguration::addCaCertificates({inn.certificates().caCertificate()});
    else
        NntpTlsConfiguration::trustCertificate(entry->serverID(), inn.certificates().serverCertificate());

    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 60000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QByteArray back = fileBytes(downloaded(job));
    EXPECT_EQ(back.size(), report.data.size());
    EXPECT_TRUE(back == report.data);
    if (GetParam().trust == Trust::CertificateTrustedForTheServer)
        NntpTlsConfiguration::forgetTrustedCertificate(entry->serverID());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, InnTlsTrusted,
    ::testing::Values(TrustCase{"AuthorityAdded", Trust::AuthorityAdded},
                      TrustCase{"CertificateTrustedForTheServer", Trust::CertificateTrustedForTheServer}),
    [](const ::testing::TestParamInfo<TrustCase>& info) { return std::string(info.param.name); });

TEST_F(InnTlsLogin, AnUntrustedCertificateStopsTheDownloadAndTheLogSaysWhy)
{
    addTlsServer(InnServer::password());
    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    const QString fingerprint = NntpTlsConfiguration::fingerprint(inn.certificates().serverCertificate());
    ASSERT_TRUE(waitUntil(
        [&] { return !log.linesContaining(QStringLiteral("Certificate verification failed")).isEmpty(); },
        30000));
    const QStringList why = log.linesContaining(QStringLiteral("Certificate verification failed"));
    EXPECT_TRUE(why.first().contains(fingerprint)) << why.first().toStdString();
    // Nothing comes in while the certificate stays untrusted.
    spinEventLoop(3000);
    EXPECT_FALSE(codesOf(job).contains(JobStatus::Finished));
    EXPECT_FALSE(QFileInfo(finalFolder + QStringLiteral("/Report")).exists());
    EXPECT_NE(fileBytes(downloaded(job)), report.data);
}

TEST_F(InnTlsLogin, AWrongPasswordStopsAtTheLoginWithTheServersAnswer)
{
    NntpTlsConfiguration::addCaCertificates({inn.certificates().caCertificate()});
    addTlsServer(QStringLiteral("not the password"));
    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    // The only server is set aside for its login: the job waits for a usable one.
    ASSERT_TRUE(waitForCode(job, JobStatus::NoNewsServersConfigured, 30000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    // INN's own words for the refusal reach the log, and the user is told.
    EXPECT_FALSE(log.linesContaining(QStringLiteral("Authentication failed (481) :: INN TLS")).isEmpty());
    EXPECT_FALSE(log
                     .linesContaining(QStringLiteral(
                         "Auth failed for news server :: INN TLS. Please correct your username/password."))
                     .isEmpty());
    EXPECT_TRUE(dialogs.askedTitles().contains(QStringLiteral("Auth failed")))
        << dialogs.askedTitles().join(u'|').toStdString();
    EXPECT_FALSE(codesOf(job).contains(JobStatus::Finished));
    EXPECT_NE(fileBytes(downloaded(job)), report.data);
}

} // namespace
