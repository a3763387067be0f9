#pragma once

#include <QStyledItemDelegate>

// The password column of the result tree: the password marker of a
// passworded result (a click opens the password sheet), else the spam
// marker of a junk result, else nothing; brighter under the mouse.
class OutlineCVSearchPassword : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit OutlineCVSearchPassword(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
