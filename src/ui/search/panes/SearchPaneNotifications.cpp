#include "ui/search/panes/SearchPaneNotifications.h"

#include "platform/NotificationHub.h"

#include <QVariant>

void SearchPaneNotifications::post(const QString& name, QObject* sender, const DeepLookupObjectPtr& query)
{
    NotificationHub::defaultCenter().post(name, sender, {{deepLookupObjectKey(), QVariant::fromValue(query)}});
}
