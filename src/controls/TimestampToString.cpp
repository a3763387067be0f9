#include "controls/TimestampToString.h"

#include "core/Utils.h"

QVariant TimestampToString::transformedValue(const QVariant& value) const
{
    if (isNil(value)) return QVariant();
    return unixTimeToDate(integerValue(value));
}

QString TimestampToString::unixTimeToDate(qint64 unixTime)
{
    return Utils::unixTimeToDate(unixTime, false);
}
