#pragma once

#include "controls/ValueTransformer.h"

// A path as a file URL, and back.
class FilepathToStringTransformer : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
