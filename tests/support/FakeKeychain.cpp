#include "support/FakeKeychain.h"

void FakeKeychain::setPassword(const QString& service, const QString& account, const QString& password)
{
    QMutexLocker locker(&lock_);
    items_.insert({service, account}, password);
}

std::optional<QString> FakeKeychain::passwordForService(const QString& service, const QString& account) const
{
    QMutexLocker locker(&lock_);
    queries_.append(service + QLatin1Char('/') + account);
    const auto it = items_.constFind({service, account});
    if (it == items_.constEnd()) return std::nullopt;
    return *it;
}

QStringList FakeKeychain::queries() const
{
    QMutexLocker locker(&lock_);
    return queries_;
}
