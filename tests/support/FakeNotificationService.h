#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// A notification daemon for tests: owns org.freedesktop.Notifications on the
// session bus through a connection of its own and records every banner.
class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
    };

    FakeNotificationService();
    ~FakeNotificationService() override;

    // Whether the service name and object were registered.
    bool isRegistered() const { return registered_; }
    const QList<Call>& calls() const { return calls_; }

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout);
    QStringList GetCapabilities();

private:
    QString connectionName_;
    bool registered_ = false;
    QList<Call> calls_;
};
