#include "platform/ProcessActivity.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <unistd.h>

ProcessActivity::~ProcessActivity()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::unique_ptr<ProcessActivity> ProcessActivity::begin(const QString& reason)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1")))
        return nullptr;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle:sleep") << QStringLiteral("Binorama") << reason << QStringLiteral("block");
    QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, 2000);
    if (!reply.isValid() || !reply.value().isValid())
        return nullptr;
    // The descriptor in the reply closes with it; keep a duplicate.
    const int fd = ::dup(reply.value().fileDescriptor());
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<ProcessActivity>(new ProcessActivity(fd));
}
