#pragma once

#include "controls/ValueTransformer.h"

// A whole number as text, and typed text back as its digits.
class NumbersOnlyTransformer : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
