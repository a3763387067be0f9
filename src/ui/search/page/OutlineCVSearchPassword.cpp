#include "ui/search/page/OutlineCVSearchPassword.h"

#include "ui/search/page/ButtonDPRowWithBG.h"
#include "ui/search/page/OutlineViewSearchModel.h"

#include <QApplication>
#include <QPainter>

OutlineCVSearchPassword::OutlineCVSearchPassword(QObject* parent) : QStyledItemDelegate(parent)
{
    setObjectName(QStringLiteral("passwordCellView"));
}

void OutlineCVSearchPassword::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    ButtonDPRowWithBG::paint(*painter, option.rect, index.data(OutlineViewSearchModel::ImageNameRole).toString(),
                             option.state & QStyle::State_MouseOver);
}
