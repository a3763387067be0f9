#include "ui/search/panes/SearchHistoryContentImage.h"

namespace {

// A text counts as yes when it starts, after blanks and a sign, with a
// digit 1-9 (after leading zeros) or with Y or T.
bool boolValue(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString) return ValueTransformer::integerValue(value) != 0;
    const QString text = value.toString().trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    while (i < text.size() && text[i] == u'0') ++i;
    if (i >= text.size()) return false;
    const QChar c = text[i];
    return (c >= u'1' && c <= u'9') || c.toUpper() == u'Y' || c.toUpper() == u'T';
}

} // namespace

QVariant SearchHistoryContentImage::transformedValue(const QVariant& value) const
{
    const QString general = QStringLiteral("img_searchhistory_id_gen");
    if (isNil(value)) return general;
    if (value.typeId() == QMetaType::QString && value.toString() == QLatin1String("map")) return {};
    return boolValue(value) ? QStringLiteral("img_searchhistory_id_ero") : general;
}
