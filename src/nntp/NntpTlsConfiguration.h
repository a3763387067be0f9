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
    // The same, followed by the certificate's SHA-256 fingerprint, so that
    // the user can compare it with the one the server's operator publishes.
    static QString describe(const QList<QSslError>& errors, const QSslCertificate& certificate);

    // A server whose certificate cannot be verified (its own authority, a
    // name that does not match) can still be used once the user has seen
    // its fingerprint and trusted exactly that certificate for that server
    // entry. Kept in the settings under kTrustedCertificatesKey (server id
    // to fingerprint); another certificate, even for the same server, fails
    // verification again. Nothing is ever accepted without such a choice.
    static constexpr const char* kTrustedCertificatesKey = "trustedServerCertificates";
    // Upper-case hex byte pairs separated by colons.
    static QString fingerprint(const QSslCertificate& certificate);
    static void trustCertificate(const QString& serverID, const QSslCertificate& certificate);
    static void forgetTrustedCertificate(const QString& serverID);
    static bool isTrusted(const QString& serverID, const QSslCertificate& certificate);
    // For a connection's sslErrors signal: true when the server presented
    // the certificate the user trusted for `serverID` and every error is
    // about a certificate the server presented (that one, or one of the chain
    // it sent with it, `peerChain`); the caller then lets the handshake go on.
    // A server that sends its own root with its certificate (INN does with
    // "tlscafile") adds an error about that root; the trust rests on the
    // server's own certificate, so such errors do not refuse it. False
    // otherwise.
    static bool acceptsTrustedCertificate(const QString& serverID, const QList<QSslError>& errors,
                                          const QSslCertificate& peerCertificate,
                                          const QList<QSslCertificate>& peerChain);
};
