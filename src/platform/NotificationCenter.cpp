#include "platform/NotificationCenter.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

void NotificationCenter::showMessage(const QString& title, const QString& infoText)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
        {QStringLiteral("desktop-entry"), QStringLiteral("binorama")},
    };
    call << QStringLiteral("Binorama")         // application name
         << uint(0)                            // replaces no earlier banner
         << QString()                          // icon: the desktop entry's
         << title << infoText << QStringList() // no action buttons
         << hints << int(-1);                  // the server's default time-out
    // No reply is awaited: a missing service is an error reply nobody reads.
    bus.send(call);
}
