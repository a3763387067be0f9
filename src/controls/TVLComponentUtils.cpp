#include "controls/TVLComponentUtils.h"

#include "platform/UserDefaults.h"

QVariantList TVLComponentUtils::arrayForKey(const QString& key)
{
    const QVariant stored = UserDefaults::standard().objectForKey(key);
    if (!stored.isValid() || stored.isNull()) return {};
    if (stored.typeId() == QMetaType::QVariantList || stored.typeId() == QMetaType::QStringList)
        return stored.toList();
    if (stored.typeId() == QMetaType::QString && stored.toString().isEmpty()) return {};
    return {stored};
}

void TVLComponentUtils::updateSearchHistoryWithObject(const QVariant& entry, const QString& key)
{
    if (!entry.isValid() || entry.isNull() || key.isEmpty()) return;
    qint64 limit = UserDefaults::standard().integerForKey(QStringLiteral("maxSearchFieldHistory"));
    if (limit < 1) limit = 10;
    QVariantList list = arrayForKey(key);
    list.removeAll(entry);
    list.prepend(entry);
    if (list.size() > limit) list = list.mid(0, qsizetype(limit));
    UserDefaults::standard().setObject(list, key);
}
