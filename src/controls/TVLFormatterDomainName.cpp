#include "controls/TVLFormatterDomainName.h"

TVLFormatterDomainName::TVLFormatterDomainName(QObject* parent) : TVLCharsetFormatter(parent)
{
    setAcceptedCharset(QStringLiteral("abcdefghijklmnopqrstuvwxyz1234567890._-"));
}
