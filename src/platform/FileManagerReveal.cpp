#include "platform/FileManagerReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QUrl>

bool FileManagerReveal::revealItem(const QString& path)
{
    if (path.isEmpty()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    return bus.send(call);
}
