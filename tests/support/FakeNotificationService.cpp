#include "support/FakeNotificationService.h"

#include <QDBusConnection>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

FakeNotificationService::FakeNotificationService()
    : connectionName_(QStringLiteral("fake-notifications-%1").arg(quintptr(this)))
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
    registered_ = bus.isConnected() && bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
                  bus.registerService(kService);
}

FakeNotificationService::~FakeNotificationService()
{
    {
        QDBusConnection bus(connectionName_);
        bus.unregisterService(kService);
        bus.unregisterObject(kPath);
    }
    QDBusConnection::disconnectFromBus(connectionName_);
}

uint FakeNotificationService::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                     const QString& summary, const QString& body, const QStringList& actions,
                                     const QVariantMap& hints, int expireTimeout)
{
    calls_.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
    return uint(calls_.size());
}

QStringList FakeNotificationService::GetCapabilities()
{
    return {QStringLiteral("body"), QStringLiteral("sound")};
}
