// Downloads from INN's ports that ask for AUTHINFO: the implicit-TLS one works
// when the server's certificate is trusted (its authority added, or the
// certificate itself trusted for the server entry) and stops with the reason
// in the log when it is not; on either port a wrong password stops at the
// login with the server's answer.

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

enum class Port { Tls, PlainWithLogin };

const char* nameOf(Port port)
{
    return port == Port::Tls ? "Tls" : "PlainPortWithLogin";
}

void PrintTo(Port port, std::ostream* os)
{
    *os << nameOf(port);
}

class InnLogin : public InnEndToEnd
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

    // The entry a user makes for one of the instance's login ports.
    NNTPServerObjectPtr addLoginServer(Port port, const QString& password)
    {
        NNTPServersController* list = engine->nntpServersController();
        const bool tls = port == Port::Tls;
        const NNTPServerObjectPtr entry = addScriptedServerEntry(*list, tls ? inn.tlsPort() : inn.authPort(),
                                                                 QStringLiteral("INN login"), 2);
        entry->setSsl(tls);
        entry->setRequiresLogin(true);
        entry->setUsername(InnServer::user());
        entry->setPassword(password);
        list->buildLocalArrays();
        return entry;
    }

    QString downloaded(const QueuePtr& job) const { return QDir(job->downloadUrl()).filePath(report.name); }
};

enum class Trust { Nothing, AuthorityAdded, CertificateTrustedForTheServer };

struct DownloadCase
{
    const char* name;
    Port port;
    Trust trust;
};

void PrintTo(const DownloadCase& c, std::ostream* os)
{
    *os << c.name;
}

class InnLoginDownload : public InnLogin, public ::testing::WithParamInterface<DownloadCase>
{
};

TEST_P(InnLoginDownload, TheFileIsDownloadedAfterTheLogin)
{
    const DownloadCase& c = GetParam();
    const NNTPServerObjectPtr entry = addLoginServer(c.port, InnServer::password());
    if (c.trust == Trust::AuthorityAdded)
        NntpTlsConfiguration::addCaCertificates({inn.certificates().caCertificate()});
    else if (c.trust == Trust::CertificateTrustedForTheServer)
        NntpTlsConfiguration::trustCertificate(entry->serverID(), inn.certificates().serverCertificate());

    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 60000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QByteArray back = fileBytes(downloaded(job));
    EXPECT_EQ(back.size(), report.data.size());
    EXPECT_TRUE(back == report.data);
    if (c.trust == Trust::CertificateTrustedForTheServer)
        NntpTlsConfiguration::forgetTrustedCertificate(entry->serverID());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, InnLoginDownload,
    ::testing::Values(DownloadCase{"TlsWithItsAuthorityAdded", Port::Tls, Trust::AuthorityAdded},
                      DownloadCase{"TlsWithItsCertificateTrusted", Port::Tls,
                                   Trust::CertificateTrustedForTheServer},
                      DownloadCase{"PlainPortWithLogin", Port::PlainWithLogin, Trust::Nothing}),
    [](const ::testing::TestParamInfo<DownloadCase>& info) { return std::string(info.param.name); });

TEST_F(InnLogin, AnUntrustedCertificateStopsTheDownloadAndTheLogSaysWhy)
{
    addLoginServer(Port::Tls, InnServer::password());
    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    const QString fingerprint = NntpTlsConfiguration::fingerprint(inn.certificates().serverCertificate());
    const QString failed = QStringLiteral("Certificate verification failed");
    ASSERT_TRUE(waitUntil([&] { return !log.linesContaining(failed).isEmpty(); }, 30000));
    const QStringList why = log.linesContaining(failed);
    EXPECT_TRUE(why.first().contains(fingerprint)) << why.first().toStdString();
    // Nothing comes in while the certificate stays untrusted.
    spinEventLoop(3000);
    EXPECT_FALSE(codesOf(job).contains(JobStatus::Finished));
    EXPECT_FALSE(QFileInfo(finalFolder + QStringLiteral("/Report")).exists());
    EXPECT_NE(fileBytes(downloaded(job)), report.data);
}

class InnWrongPassword : public InnLogin, public ::testing::WithParamInterface<Port>
{
};

TEST_P(InnWrongPassword, StopsAtTheLoginWithTheServersAnswer)
{
    NntpTlsConfiguration::addCaCertificates({inn.certificates().caCertificate()});
    addLoginServer(GetParam(), QStringLiteral("not the password"));
    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    // The only server is set aside for its login: the job waits for a usable one.
    ASSERT_TRUE(waitForCode(job, JobStatus::NoNewsServersConfigured, 30000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    // INN's own words for the refusal reach the log, and the user is told.
    EXPECT_FALSE(log.linesContaining(QStringLiteral("Authentication failed (481) :: INN login")).isEmpty());
    EXPECT_FALSE(
        log.linesContaining(QStringLiteral("Auth failed for news server :: INN login. Please correct your "
                                           "username/password."))
            .isEmpty());
    EXPECT_TRUE(dialogs.askedTitles().contains(QStringLiteral("Auth failed")))
        << dialogs.askedTitles().join(u'|').toStdString();
    EXPECT_FALSE(codesOf(job).contains(JobStatus::Finished));
    EXPECT_NE(fileBytes(downloaded(job)), report.data);
}

INSTANTIATE_TEST_SUITE_P(Ports, InnWrongPassword, ::testing::Values(Port::Tls, Port::PlainWithLogin),
                         [](const ::testing::TestParamInfo<Port>& info) {
                             return std::string(nameOf(info.param));
                         });

} // namespace
