#pragma once

#include "controls/ValueTransformer.h"

// A whole number as text ("%ld").
class IntegerToString : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant& value) const override;
};
