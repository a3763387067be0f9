#include "controls/TVLFormatter.h"

QString TVLFormatter::stringForObjectValue(const QVariant& value) const
{
    if (!value.isValid() || value.isNull()) return QString();
    return value.toString();
}

QVariant TVLFormatter::getObjectValue(const QString& string) const
{
    return QVariant(string);
}

QValidator::State TVLFormatter::validate(QString& input, int& pos) const
{
    const PartialCheck check = isPartialStringValid(input, pos);
    if (!check.accepted) {
        input = check.replacement;
        pos = check.caret;
    }
    return Acceptable;
}
