#pragma once

#include "controls/ValueTransformer.h"

// A Unix time as its local date and time ("yyyy-MM-dd HH:mm").
class TimestampToString : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant& value) const override;

    static QString unixTimeToDate(qint64 unixTime);
};
