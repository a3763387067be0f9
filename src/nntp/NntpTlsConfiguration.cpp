#include "nntp/NntpTlsConfiguration.h"

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
