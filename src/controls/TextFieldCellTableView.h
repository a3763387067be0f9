#pragma once

#include "controls/TableRowViewDefault.h"

// A table cell whose text is dark blue-grey, and takes the window background
// colour on an emphasized (dark) selected row.
class TextFieldCellTableView : public TableRowViewDefault
{
    Q_OBJECT
public:
    explicit TextFieldCellTableView(QObject* parent = nullptr);

    static QColor textColor(bool backgroundStyleDark, const QPalette& palette);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
