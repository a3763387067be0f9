#include "nntp/NntpTlsConfiguration.h"

#include "platform/UserDefaults.h"

#include <QCryptographicHash>

#include <QMutex>
#include <QStringList>

namespace {

QMutex& lock()
{
    static QMutex mutex;
    return mutex;
}

QList<QSslCertificate>& added()
{
    static QList<QSslCertificate> certificates;
    return certificates;
}

} // namespace

QSslConfiguration NntpTlsConfiguration::clientConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    QMutexLocker locker(&lock());
    if (!added().isEmpty()) {
        QList<QSslCertificate> authorities = configuration.caCertificates();
        authorities += added();
        configuration.setCaCertificates(authorities);
    }
    return configuration;
}

void NntpTlsConfiguration::addCaCertificates(const QList<QSslCertificate>& certificates)
{
    QMutexLocker locker(&lock());
    added() += certificates;
}

void NntpTlsConfiguration::removeAddedCaCertificates()
{
    QMutexLocker locker(&lock());
    added().clear();
}

QString NntpTlsConfiguration::describe(const QList<QSslError>& errors)
{
    QStringList texts;
    for (const QSslError& e : errors) {
        if (!texts.contains(e.errorString())) texts.append(e.errorString());
    }
    return texts.join(QStringLiteral("; "));
}

QString NntpTlsConfiguration::describe(const QList<QSslError>& errors, const QSslCertificate& certificate)
{
    const QString reason = describe(errors);
    if (certificate.isNull()) return reason;
    return reason + QStringLiteral(" (SHA-256 fingerprint %1)").arg(fingerprint(certificate));
}

QString NntpTlsConfiguration::fingerprint(const QSslCertificate& certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

void NntpTlsConfiguration::trustCertificate(const QString& serverID, const QSslCertificate& certificate)
{
    if (serverID.isEmpty() || certificate.isNull()) return;
    UserDefaults& defaults = UserDefaults::standard();
    const QString key = QString::fromLatin1(kTrustedCertificatesKey);
    QVariantMap trusted = defaults.dictionaryForKey(key);
    trusted.insert(serverID, fingerprint(certificate));
    defaults.setObject(trusted, key);
    defaults.synchronize();
}

void NntpTlsConfiguration::forgetTrustedCertificate(const QString& serverID)
{
    UserDefaults& defaults = UserDefaults::standard();
    const QString key = QString::fromLatin1(kTrustedCertificatesKey);
    QVariantMap trusted = defaults.dictionaryForKey(key);
    if (trusted.remove(serverID) == 0) return;
    defaults.setObject(trusted, key);
    defaults.synchronize();
}

bool NntpTlsConfiguration::isTrusted(const QString& serverID, const QSslCertificate& certificate)
{
    if (serverID.isEmpty() || certificate.isNull()) return false;
    const QVariantMap trusted =
        UserDefaults::standard().dictionaryForKey(QString::fromLatin1(kTrustedCertificatesKey));
    const QString stored = trusted.value(serverID).toString();
    return !stored.isEmpty() && stored == fingerprint(certificate);
}

bool NntpTlsConfiguration::acceptsTrustedCertificate(const QString& serverID, const QList<QSslError>& errors,
                                                     const QSslCertificate& peerCertificate,
                                                     const QList<QSslCertificate>& peerChain)
{
    if (errors.isEmpty() || !isTrusted(serverID, peerCertificate)) return false;
    // Only errors about what the server presented are forgiven; anything
    // else (a certificate it never sent, no certificate) is not.
    for (const QSslError& e : errors) {
        if (e.error() == QSslError::NoPeerCertificate) return false;
        const QSslCertificate about = e.certificate();
        if (!about.isNull() && about != peerCertificate && !peerChain.contains(about)) return false;
    }
    return true;
}
