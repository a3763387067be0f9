#include "controls/TVLFormatterNumbersOnly.h"

TVLFormatterNumbersOnly::TVLFormatterNumbersOnly(QObject* parent) : TVLCharsetFormatter(parent)
{
    setAcceptsDecimalDigits(true);
    setEmptyReplacement(QStringLiteral("1"));
}
