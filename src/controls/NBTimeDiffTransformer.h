#pragma once

#include "controls/ValueTransformer.h"

// The age of a Unix time as text ("5 minutes", "3 days").
class NBTimeDiffTransformer : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant& value) const override;

    static QString timeSinceNow(double unixTime);
    static QString timeSinceNow(double unixTime, double now);
};
