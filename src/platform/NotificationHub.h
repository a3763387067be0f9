#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

// A named notification with its sender and user information.
struct Notification
{
    QString name;
    QObject* object = nullptr;
    QVariantMap userInfo;
};

// The program's notification centre: components announce events by name and
// anyone interested observes that name. Delivery is synchronous on the posting
// thread, in the order the observers were added; an observer that must act on
// the main thread dispatches there itself.
class NotificationHub
{
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationHub& defaultCenter();

    // Adds an observer for `name` (an empty name observes every notification).
    // When `sender` is given, only notifications posted with that object are
    // delivered. The observer is removed automatically when `owner` is
    // destroyed. Returns a token for removeObserver(int).
    int addObserver(const QString& name, QObject* owner, Handler handler, QObject* sender = nullptr);
    void removeObserver(int token);
    void removeObserver(QObject* owner);
    void removeObserver(QObject* owner, const QString& name);

    void post(const QString& name, QObject* object = nullptr, const QVariantMap& userInfo = {});
    void post(const Notification& notification);

    int observerCount() const;

private:
    struct Entry
    {
        int token;
        QString name;
        QObject* owner;
        QObject* sender;
        std::shared_ptr<Handler> handler;
    };

    mutable QMutex mutex_;
    std::vector<Entry> entries_;
    int nextToken_ = 1;
};
