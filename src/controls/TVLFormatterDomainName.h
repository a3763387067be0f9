#pragma once

#include "controls/TVLCharsetFormatter.h"

// Host names: lower-case letters, digits, ".", "_" and "-".
class TVLFormatterDomainName : public TVLCharsetFormatter
{
    Q_OBJECT
public:
    explicit TVLFormatterDomainName(QObject* parent = nullptr);
};
