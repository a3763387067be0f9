#include "controls/TextFieldCellTableView.h"

#include "controls/SRGB.h"

#include <QPainter>

TextFieldCellTableView::TextFieldCellTableView(QObject* parent) : TableRowViewDefault(parent)
{}

QColor TextFieldCellTableView::textColor(bool backgroundStyleDark, const QPalette& palette)
{
    if (backgroundStyleDark) return palette.color(QPalette::Window);
    return srgb(0.282, 0.31, 0.329);
}

void TextFieldCellTableView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    const bool dark = (option.state & QStyle::State_Selected) && isEmphasized(option);
    drawSelectionInRect(painter, option);
    QStyleOptionViewItem content = contentOption(option, index);
    content.palette.setColor(QPalette::Text, textColor(dark, option.palette));
    QStyledItemDelegate::paint(painter, content, index);
}
