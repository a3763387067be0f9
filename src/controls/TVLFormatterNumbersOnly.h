#pragma once

#include "controls/TVLCharsetFormatter.h"

// Decimal digits only; the field is never left empty (it falls back to "1").
class TVLFormatterNumbersOnly : public TVLCharsetFormatter
{
    Q_OBJECT
public:
    explicit TVLFormatterNumbersOnly(QObject* parent = nullptr);
};
