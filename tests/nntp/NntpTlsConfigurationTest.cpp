// Which certificate errors a certificate trusted for one server entry
// forgives: those about what the server presented, its own certificate and
// the chain it sent with it; nothing for another entry or without a
// certificate.

#include "nntp/NntpTlsConfiguration.h"

#include "support/TempHome.h"
#include "support/TestCertificates.h"

#include <QSslError>

#include <gtest/gtest.h>

#include <ostream>

namespace {

enum class Cert { Leaf, Root, OtherRoot, None };

struct TrustCase
{
    const char* name;
    bool trustedForThisEntry;
    QList<QPair<QSslError::SslError, Cert>> errors;
    QList<Cert> chain; // what the server sent after its own certificate
    bool accepted;
};

void PrintTo(const TrustCase& c, std::ostream* os)
{
    *os << c.name;
}

class TrustedCertificate : public ::testing::TestWithParam<TrustCase>
{
protected:
    TempHome home;
    TestCertificates other;

    QSslCertificate certificate(Cert c) const
    {
        switch (c) {
        case Cert::Leaf:
            return TestCertificates::shared().serverCertificate();
        case Cert::Root:
            return TestCertificates::shared().caCertificate();
        case Cert::OtherRoot:
            return other.caCertificate();
        case Cert::None:
            break;
        }
        return QSslCertificate();
    }
};

TEST_P(TrustedCertificate, ForgivesOnlyErrorsAboutWhatTheServerPresented)
{
    const TrustCase& c = GetParam();
    ASSERT_TRUE(TestCertificates::shared().isValid() && other.isValid());
    const QSslCertificate leaf = certificate(Cert::Leaf);
    NntpTlsConfiguration::trustCertificate(QStringLiteral("entry-1"), leaf);
    const QString entry = c.trustedForThisEntry ? QStringLiteral("entry-1") : QStringLiteral("entry-2");
    QList<QSslError> errors;
    for (const auto& [error, about] : c.errors)
        errors.append(about == Cert::None ? QSslError(error) : QSslError(error, certificate(about)));
    QList<QSslCertificate> chain{leaf};
    for (Cert sent : c.chain)
        chain.append(certificate(sent));

    EXPECT_EQ(NntpTlsConfiguration::acceptsTrustedCertificate(entry, errors, leaf, chain), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrustedCertificate,
    ::testing::Values(
        TrustCase{
            "SelfSignedOwnCertificate", true, {{QSslError::SelfSignedCertificate, Cert::Leaf}}, {}, true},
        TrustCase{"NameMismatch", true, {{QSslError::HostNameMismatch, Cert::Leaf}}, {}, true},
        // INN with "tlscafile" sends the root that signed its certificate.
        TrustCase{"RootSentWithIt",
                  true,
                  {{QSslError::SelfSignedCertificateInChain, Cert::Root}},
                  {Cert::Root},
                  true},
        TrustCase{"RootNeverSent",
                  true,
                  {{QSslError::SelfSignedCertificateInChain, Cert::OtherRoot}},
                  {Cert::Root},
                  false},
        TrustCase{"TrustedForAnotherEntry",
                  false,
                  {{QSslError::SelfSignedCertificateInChain, Cert::Root}},
                  {Cert::Root},
                  false},
        TrustCase{"NoPeerCertificate", true, {{QSslError::NoPeerCertificate, Cert::None}}, {}, false},
        TrustCase{"NoErrors", true, {}, {}, false}),
    [](const ::testing::TestParamInfo<TrustCase>& info) { return std::string(info.param.name); });

} // namespace
