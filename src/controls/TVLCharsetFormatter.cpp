#include "controls/TVLCharsetFormatter.h"

#include <QChar>

bool TVLCharsetFormatter::accepts(char32_t c) const
{
    if (decimalDigits_) return QChar::isDigit(c);
    if (c > 0xFFFF) return false;
    return acceptedCharset_.contains(QChar(char16_t(c)));
}

QString TVLCharsetFormatter::filtered(const QString& text) const
{
    QString out;
    for (char32_t c : text.toLower().toUcs4()) {
        if (accepts(c)) out.append(QString::fromUcs4(&c, 1));
    }
    return out;
}

TVLFormatter::PartialCheck TVLCharsetFormatter::isPartialStringValid(const QString& proposed, int caret) const
{
    QString result = filtered(proposed);
    if (result.isEmpty()) result = emptyReplacement_;
    if (result == proposed) return {true, proposed, caret};
    // The caret goes behind what was kept of the text before it, so that
    // letters typed in upper case land in order and dropped characters leave
    // the caret where the edit began.
    const QString before = filtered(proposed.left(qMax(0, caret)));
    return {false, result, int(qMin(before.size(), result.size()))};
}
