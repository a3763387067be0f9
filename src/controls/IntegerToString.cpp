#include "controls/IntegerToString.h"

#include "core/StringFormat.h"

QVariant IntegerToString::transformedValue(const QVariant& value) const
{
    if (isNil(value)) return QVariant();
    return sformat(u"%ld", integerValue(value));
}
