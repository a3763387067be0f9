#include "platform/NotificationHub.h"

#include <algorithm>

NotificationHub& NotificationHub::defaultCenter()
{
    static NotificationHub hub;
    return hub;
}

int NotificationHub::addObserver(const QString& name, QObject* owner, Handler handler, QObject* sender)
{
    int token;
    {
        QMutexLocker locker(&mutex_);
        token = nextToken_++;
        entries_.push_back({token, name, owner, sender, std::make_shared<Handler>(std::move(handler))});
    }
    if (owner) {
        QObject::connect(owner, &QObject::destroyed, owner, [this, token] { removeObserver(token); },
                         Qt::DirectConnection);
    }
    return token;
}

void NotificationHub::removeObserver(int token)
{
    QMutexLocker locker(&mutex_);
    std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
}

void NotificationHub::removeObserver(QObject* owner)
{
    QMutexLocker locker(&mutex_);
    std::erase_if(entries_, [owner](const Entry& e) { return e.owner == owner; });
}

void NotificationHub::removeObserver(QObject* owner, const QString& name)
{
    QMutexLocker locker(&mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.owner == owner && e.name == name; });
}

void NotificationHub::post(const QString& name, QObject* object, const QVariantMap& userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationHub::post(const Notification& notification)
{
    // Handlers run outside the lock so that they may post, add or remove
    // observers themselves.
    std::vector<std::pair<int, std::shared_ptr<Handler>>> targets;
    {
        QMutexLocker locker(&mutex_);
        for (const Entry& e : entries_) {
            if (!e.name.isEmpty() && e.name != notification.name)
                continue;
            if (e.sender && e.sender != notification.object)
                continue;
            targets.emplace_back(e.token, e.handler);
        }
    }
    for (auto& [token, handler] : targets) {
        bool stillObserving;
        {
            QMutexLocker locker(&mutex_);
            stillObserving = std::any_of(entries_.begin(), entries_.end(),
                                         [token = token](const Entry& e) { return e.token == token; });
        }
        if (stillObserving)
            (*handler)(notification);
    }
}

int NotificationHub::observerCount() const
{
    QMutexLocker locker(&mutex_);
    return int(entries_.size());
}
