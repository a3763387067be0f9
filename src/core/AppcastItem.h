#pragma once

#include <QList>
#include <QVariantMap>

// One release of the update feed, as its properties were read ("title",
// "sparkle:version", "sparkle:relType", ...). An item without properties is
// the empty item: no update.
struct AppcastItem
{
    QVariantMap propertiesDictionary;

    bool isEmpty() const { return propertiesDictionary.isEmpty(); }

    // The release to offer: only the feed's first item counts, and it is
    // refused when it is a "beta" while checkForBetaReleases is off or an
    // "alpha" while checkForAlphaReleases is off. No items or a refusal give
    // the empty item.
    static AppcastItem bestValidUpdateInAppcast(const QList<AppcastItem>& items);
};
