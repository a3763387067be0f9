#pragma once

#include "controls/TVLCharsetFormatter.h"

// E-mail addresses: the host-name characters and "@".
class TVLFormatterEmail : public TVLCharsetFormatter
{
    Q_OBJECT
public:
    explicit TVLFormatterEmail(QObject* parent = nullptr);
};
