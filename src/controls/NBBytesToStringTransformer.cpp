#include "controls/NBBytesToStringTransformer.h"

#include "core/Utils.h"

QVariant NBBytesToStringTransformer::transformedValue(const QVariant& value) const
{
    if (isNil(value)) return QVariant();
    return Utils::formatBytes(doubleValue(value));
}
