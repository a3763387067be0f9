#include "controls/TextFieldFormatter.h"

TextFieldFormatter::TextFieldFormatter(QObject* parent) : TVLFormatter(parent)
{}

TVLFormatter::PartialCheck TextFieldFormatter::isPartialStringValid(const QString& proposed, int caret) const
{
    const qint64 limit = qMax<qint64>(0, maxLength_);
    if (proposed.size() > limit) {
        const QString cut = proposed.left(qsizetype(limit)).toUpper();
        return {false, cut, int(qMin<qsizetype>(caret, cut.size()))};
    }
    const QString upper = proposed.toUpper();
    if (upper == proposed) return {true, proposed, caret};
    return {false, upper, int(qMin<qsizetype>(caret, upper.size()))};
}
