#include "controls/FilepathToStringTransformer.h"

#include <QUrl>

QVariant FilepathToStringTransformer::transformedValue(const QVariant& value) const
{
    if (isNil(value)) return QVariant();
    return QUrl::fromLocalFile(value.toString());
}

QVariant FilepathToStringTransformer::reverseTransformedValue(const QVariant& value) const
{
    if (isNil(value)) return QVariant();
    const QUrl url = value.typeId() == QMetaType::QUrl ? value.toUrl() : QUrl(value.toString());
    return url.isLocalFile() ? url.toLocalFile() : url.path();
}
