#include "controls/TableRowViewLight.h"

#include "controls/SRGB.h"
#include "platform/UserDefaults.h"

#include <QPainter>

TableRowViewLight::TableRowViewLight(QObject* parent)
    : TableRowViewDefault(parent), bgColor_(srgb(0.945, 0.941, 0.941)),
      highLightColor_(getRowColorForKey(QStringLiteral("selectedRowColor"))),
      highLightInactiveColor_(getRowColorForKey(QStringLiteral("selectedInactiveRowColor")))
{}

QColor TableRowViewLight::getRowColorForKey(const QString& key)
{
    return UserDefaults::standard().colorForKey(QStringLiteral("QueueRowColorProperties"), key);
}

void TableRowViewLight::drawBackgroundInRect(QPainter& painter, const QRect& bounds) const
{
    painter.save();
    painter.fillRect(bounds, bgColor_);
    painter.setCompositionMode(QPainter::CompositionMode_Overlay);
    painter.fillRect(QRect(bounds.left(), bounds.top(), bounds.width(), 1), Qt::white);
    painter.restore();
    drawBottomLine(painter, bounds);
}

void TableRowViewLight::drawSelectionInRect(QPainter& painter, const QRect& bounds, bool emphasized) const
{
    QColor fill = emphasized ? highLightColor_ : highLightInactiveColor_;
    if (!fill.isValid()) fill = selectionColor(emphasized);
    painter.fillRect(bounds, fill);
    drawBottomLine(painter, bounds);
}

void TableRowViewLight::drawRow(QPainter& painter, const QRect& bounds, bool selected, bool emphasized) const
{
    if (selected)
        drawSelectionInRect(painter, bounds, emphasized);
    else
        drawBackgroundInRect(painter, bounds);
}

void TableRowViewLight::drawBottomLine(QPainter& painter, const QRect& bounds)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Darken);
    painter.fillRect(QRect(bounds.left(), bounds.bottom(), bounds.width(), 1), grey(0.0, 0.1));
    painter.restore();
}

void TableRowViewLight::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!regularHighlightStyle()) {
        TableRowViewDefault::paint(painter, option, index);
        return;
    }
    drawRow(*painter, option.rect, option.state & QStyle::State_Selected, isEmphasized(option));
    QStyledItemDelegate::paint(painter, contentOption(option, index), index);
}
