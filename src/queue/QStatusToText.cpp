#include "queue/QStatusToText.h"

#include "queue/QCodeClass.h"

QVariant QStatusToText::transformedValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull()) return QString(QLatin1String(""));
    bool isNumber = false;
    const qint64 code = value.toLongLong(&isNumber);
    if (!isNumber) return QVariant();
    if (const auto text = QCodeClass::code2Text(code)) return *text;
    return QVariant();
}
