#include "ui/search/DeepLookupVC.h"

#include "platform/NotificationHub.h"
#include "ui/search/OutlineViewSearch.h"

#include <QVBoxLayout>

DeepLookupVC::DeepLookupVC(QWidget* parent) : QWidget(parent), outLineViewSearch_(new OutlineViewSearch(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(outLineViewSearch_);
    NotificationHub::defaultCenter().addObserver(
        QStringLiteral("ReloadDeepLookupOutlineViewItemsInArray"), this, [this](const Notification& n) {
            reloadDeepLookupOutlineViewItemsInArray(
                n.userInfo.value(QStringLiteral("queuearray")).value<QList<QueuePtr>>());
        });
}

void DeepLookupVC::reloadDeepLookupOutlineViewItemsInArray(const QList<QueuePtr>& items)
{
    for (const QueuePtr& item : items)
        outLineViewSearch_->reloadItem(item);
}

void DeepLookupVC::openPostMsgWindowAndReplyTo(const QueuePtr& result)
{
    QVariantMap info;
    if (result) info.insert(QStringLiteral("queue"), QVariant::fromValue(result));
    NotificationHub::defaultCenter().post(QStringLiteral("OpenPostArticleWindow"), this, info);
}
