#pragma once

#include "controls/ValueTransformer.h"

// A byte count as text ("12.34 MB").
class NBBytesToStringTransformer : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant& value) const override;
};
