#include "controls/ValueTransformer.h"

#include "core/Utils.h"

#include <cmath>
#include <limits>

QVariant ValueTransformer::reverseTransformedValue(const QVariant&) const
{
    return QVariant();
}

namespace {
qint64 leadingInteger(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    quint64 magnitude = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') break;
        if (!overflow) {
            magnitude = magnitude * 10 + quint64(c - u'0');
            if (magnitude > quint64(kMax) + 1) overflow = true;
        }
    }
    if (negative) return overflow ? std::numeric_limits<qint64>::min() : qint64(0 - magnitude);
    if (overflow || magnitude > quint64(kMax)) return kMax;
    return qint64(magnitude);
}
} // namespace

qint64 ValueTransformer::integerValue(const QVariant& value)
{
    if (isNil(value)) return 0;
    switch (value.typeId()) {
    case QMetaType::QString:
        return leadingInteger(value.toString());
    case QMetaType::QByteArray:
        return leadingInteger(QString::fromUtf8(value.toByteArray()));
    case QMetaType::Double:
    case QMetaType::Float:
        return Utils::clampToInt64(value.toDouble());
    default: {
        bool ok = false;
        const qint64 i = value.toLongLong(&ok);
        return ok ? i : 0;
    }
    }
}

double ValueTransformer::doubleValue(const QVariant& value, bool* ok)
{
    bool good = false;
    double d = 0.0;
    if (!isNil(value)) {
        if (value.typeId() == QMetaType::QString)
            d = value.toString().trimmed().toDouble(&good);
        else
            d = value.toDouble(&good);
    }
    if (good && std::isnan(d)) good = false;
    if (ok) *ok = good;
    return good ? d : 0.0;
}
