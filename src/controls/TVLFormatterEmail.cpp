#include "controls/TVLFormatterEmail.h"

TVLFormatterEmail::TVLFormatterEmail(QObject* parent) : TVLCharsetFormatter(parent)
{
    setAcceptedCharset(QStringLiteral("abcdefghijklmnopqrstuvwxyz1234567890._-@"));
}
