#include "controls/TableRowViewDefault.h"

#include "controls/SRGB.h"

#include <QPainter>
#include <QWidget>

TableRowViewDefault::TableRowViewDefault(QObject* parent) : QStyledItemDelegate(parent)
{}

QColor TableRowViewDefault::selectionColor(bool emphasized)
{
    return emphasized ? srgb(0.2, 0.455, 0.741) : grey(0.863);
}

bool TableRowViewDefault::isEmphasized(const QStyleOptionViewItem& option)
{
    if (!(option.state & QStyle::State_Active)) return false;
    return !option.widget || option.widget->hasFocus();
}

bool TableRowViewDefault::drawSelectionInRect(QPainter* painter, const QStyleOptionViewItem& option) const
{
    if (!(option.state & QStyle::State_Selected)) return false;
    painter->fillRect(option.rect, selectionColor(isEmphasized(option)));
    return true;
}

QStyleOptionViewItem TableRowViewDefault::contentOption(const QStyleOptionViewItem& option,
                                                        const QModelIndex& index) const
{
    QStyleOptionViewItem content(option);
    initStyleOption(&content, index);
    if (content.state & QStyle::State_Selected) {
        const bool emphasized = isEmphasized(option);
        content.state &= ~QStyle::State_Selected;
        if (emphasized) content.palette.setColor(QPalette::Text, Qt::white);
    }
    return content;
}

void TableRowViewDefault::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    if (!regularHighlightStyle_) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    drawSelectionInRect(painter, option);
    QStyledItemDelegate::paint(painter, contentOption(option, index), index);
}
