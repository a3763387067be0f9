#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>

// A certificate authority of its own and a server certificate it signed for
// 127.0.0.1 and localhost, made when the object is built (EC P-256 keys,
// valid from an hour ago for a week). A TLS test server presents the server
// certificate; a client trusts it only when it adds caCertificate() to its
// configuration, so the same pair tests both an accepted and a refused
// certificate. A second TestCertificates object is a second, unrelated CA.
class TestCertificates
{
public:
    TestCertificates();

    // One pair made on first use and kept for the process, for tests that do
    // not care which CA they get.
    static const TestCertificates& shared();

    bool isValid() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    QSslCertificate caCertificate() const { return QSslCertificate(caPem_); }
    QSslCertificate serverCertificate() const { return QSslCertificate(serverCertificatePem_); }
    QSslKey serverKey() const;

    QByteArray caPem() const { return caPem_; }
    QByteArray serverCertificatePem() const { return serverCertificatePem_; }
    QByteArray serverKeyPem() const { return serverKeyPem_; }

    // What a server socket needs: the server certificate (sent without the
    // CA, as servers do with their root), the private key, TLS 1.2 or later,
    // no client certificate asked.
    QSslConfiguration serverConfiguration() const;
    // A client configuration that trusts only this CA.
    QSslConfiguration clientConfigurationTrustingCa() const;

    // Writes the CA certificate as PEM to `path`.
    bool writeCaPem(const QString& path) const;

private:
    QByteArray caPem_;
    QByteArray serverCertificatePem_;
    QByteArray serverKeyPem_;
    QString error_;
};
