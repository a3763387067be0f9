#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>

// How connections to news servers use TLS: version 1.2 or later, and the
// server's certificate verified for the host name against the system's
// certificate authorities, plus any added here (a test adds its own CA; a
// user could add the one of a private server). Any thread.
class NntpTlsConfiguration
{
public:
    static QSslConfiguration clientConfiguration();

    // Authorities trusted beside the system's, from now on, by every new
    // connection of the process.
    static void addCaCertificates(const QList<QSslCertificate>& certificates);
    static void removeAddedCaCertificates();

    // One line for the row and the log: what was wrong with the certificate.
    static QString describe(const QList<QSslError>& errors);
};
