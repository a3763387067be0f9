#pragma once

#include <QStyledItemDelegate>

// The status cell of the result tree: the item's status text, or in its
// place the progress bar while the engine shows one, and the completeness
// text at the right.
class OutlineCVSearchStatus : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit OutlineCVSearchStatus(QObject* parent = nullptr);

    static QRect progressBarRect(const QRect& cell, int completenessWidth);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
