#include "controls/NumbersOnlyTransformer.h"

#include "core/StringFormat.h"

QVariant NumbersOnlyTransformer::transformedValue(const QVariant& value) const
{
    return sformat(u"%ld", integerValue(value));
}

QVariant NumbersOnlyTransformer::reverseTransformedValue(const QVariant& value) const
{
    QString digits;
    for (QChar c : value.toString()) {
        if (c >= u'0' && c <= u'9') digits.append(c);
    }
    return sformat(u"%ld", integerValue(digits));
}
