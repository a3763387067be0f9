#include "core/AppcastItem.h"

#include "platform/UserDefaults.h"

AppcastItem AppcastItem::bestValidUpdateInAppcast(const QList<AppcastItem>& items)
{
    if (items.isEmpty())
        return {};
    const AppcastItem& first = items.first();
    const QString relType = first.propertiesDictionary.value(QStringLiteral("sparkle:relType")).toString();
    const UserDefaults& d = UserDefaults::standard();
    if (relType == QLatin1String("beta") && !d.boolForKey(QStringLiteral("checkForBetaReleases")))
        return {};
    if (relType == QLatin1String("alpha") && !d.boolForKey(QStringLiteral("checkForAlphaReleases")))
        return {};
    return first;
}
