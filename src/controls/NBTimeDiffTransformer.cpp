#include "controls/NBTimeDiffTransformer.h"

#include "core/StringFormat.h"
#include "core/Utils.h"

#include <QDateTime>

#include <cmath>

QVariant NBTimeDiffTransformer::transformedValue(const QVariant& value) const
{
    if (isNil(value)) return QVariant();
    bool ok = false;
    const double t = doubleValue(value, &ok);
    if (!ok) return QString();
    return timeSinceNow(t);
}

QString NBTimeDiffTransformer::timeSinceNow(double unixTime)
{
    return timeSinceNow(unixTime, double(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
}

QString NBTimeDiffTransformer::timeSinceNow(double unixTime, double now)
{
    if (std::isnan(unixTime) || std::isnan(now)) return QString();
    const float x = float(now - unixTime);
    const auto whole = [](double v) { return Utils::clampToInt32(std::floor(v)); };
    if (x < 60) return sformat(u"%d seconds", whole(x));
    if (x < 3600) return sformat(u"%d minutes", whole(x / 60.0));
    if (x < 86400) return sformat(u"%d hours", whole(x / 3600.0));
    if (x < 157680000) return sformat(u"%d days", whole(x / 86400.0));
    return sformat(u"%d years", whole(x / 31536000.0));
}
